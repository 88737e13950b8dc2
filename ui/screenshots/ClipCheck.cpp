#include "ui/screenshots/ClipCheck.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

namespace ui {

namespace {

QString Describe(const QWidget* w, const QString& text, const QSize& need) {
    return QStringLiteral("%1 '%2' needs %3x%4 px, has %5x%6 px")
        .arg(QString::fromLatin1(w->metaObject()->className()), text)
        .arg(need.width())
        .arg(need.height())
        .arg(w->width())
        .arg(w->height());
}

} // namespace

QStringList ClippedWidgets(QWidget* window) {
    QStringList clipped;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window))
            continue;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->wordWrap() || !label->pixmap().isNull())
                continue;
            text = label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            const int need = group->fontMetrics().horizontalAdvance(group->title()) + 16;
            if (group->width() < need)
                clipped << Describe(group, group->title(), QSize(need, group->height()));
            continue;
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            if (combo->width() < combo->minimumSizeHint().width())
                clipped << Describe(combo, combo->currentText(), combo->minimumSizeHint());
            continue;
        } else {
            continue;
        }
        if (text.isEmpty())
            continue;
        // The widget's own size hint holds its whole text; less room cuts it.
        const QSize need = w->sizeHint();
        if (w->width() < need.width() || w->height() < need.height() * 3 / 4)
            clipped << Describe(w, text, need);
    }
    return clipped;
}

} // namespace ui
