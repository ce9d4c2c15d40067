#pragma once

#include <QString>
#include <QTemporaryDir>

// A temporary application directory for one test: the program's files are read and written there, the
// application state starts from its defaults, and everything is removed afterwards.
class TestAppDir
{
public:
    TestAppDir();
    ~TestAppDir();

    bool isValid() const { return dir.isValid(); }
    QString path() const { return dir.path(); }
    QString file(const QString &relative) const { return dir.path() + relative; }

    // Copies the shipped run-time data tree (APP/, TitleBar/ as built beside the executable) into it, or into
    // its folder `relative` ("/a/b").
    void installDataTree(const QString &relative = QString()) const;
    void writeFile(const QString &relative, const QByteArray &bytes) const;
    QByteArray readFile(const QString &relative) const;

private:
    QTemporaryDir dir;
};
