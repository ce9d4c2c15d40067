#include "shell/SetupCompareDialog.h"

#include "config/AppState.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

SetupCompareDialog::SetupCompareDialog(QWidget *parent) : QDialog(parent)
{
    summaryLabel = new QLabel(this);
    summaryLabel->setWordWrap(true);
    table = new QTableWidget(0, 3, this);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summaryLabel);
    layout->addWidget(table, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    resize(640, 420);
}

void SetupCompareDialog::showDifferences(const QString &summary, const QList<SetupDifference> &differences)
{
    const LanguageTexts &t = State().text;
    setWindowTitle(t.Ui_SetupCompare_AppName);
    summaryLabel->setText(summary);
    table->setHorizontalHeaderLabels({t.S_SetupKey, t.S_SetupFile, t.S_SetupDevice});
    table->setRowCount(differences.size());
    for (int row = 0; row < differences.size(); ++row) {
        const SetupDifference &d = differences.at(row);
        const QString texts[] = {d.key, d.wanted, d.actual.isNull() ? t.S_SetupNotHeld : d.actual};
        for (int column = 0; column < 3; ++column)
            table->setItem(row, column, new QTableWidgetItem(texts[column]));
    }
    show();
    raise();
}
