#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QStackedWidget>
#include <QStringList>

// The labels and group boxes in `window` (not in its dialogs) that an operator sees on their page, or would
// see on another tab, and that show neither a text nor a picture (a group box: no title). Every caption comes
// from the language file, so a blank one is a text the window forgot to set (pictures are shown scaled to
// their label). Each is named by its page's class and its place on the page.
inline QString blankLabels(const QWidget *window)
{
    const auto onItsPage = [window](const QWidget *widget) {
        for (; widget && widget != window; widget = widget->parentWidget()) {
            const bool hidden =
                widget->testAttribute(Qt::WA_WState_ExplicitShowHide) && widget->isHidden();
            if (hidden && !qobject_cast<const QStackedWidget *>(widget->parentWidget()))
                return false;
        }
        return true;
    };
    const auto isBlank = [](const QWidget *widget) {
        if (const auto *label = qobject_cast<const QLabel *>(widget))
            return label->text().isEmpty() && !label->hasScaledContents();
        if (const auto *group = qobject_cast<const QGroupBox *>(widget))
            return group->title().isEmpty();
        return false;
    };
    QStringList blank;
    for (const QWidget *label : window->findChildren<QWidget *>()) {
        if (!isBlank(label) || label->window() != window || !onItsPage(label))
            continue;
        const QWidget *page = label;
        while (page->parentWidget() && page->parentWidget() != window &&
               !qobject_cast<const QStackedWidget *>(page->parentWidget()))
            page = page->parentWidget();
        const QPoint at = label->mapTo(page, QPoint());
        blank << QStringLiteral("%1 at %2,%3").arg(page->metaObject()->className()).arg(at.x()).arg(at.y());
    }
    return blank.join(QStringLiteral("; "));
}
