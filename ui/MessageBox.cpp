#include "ui/MessageBox.h"

#include "ui/QtText.h"

#include <QMessageBox>

namespace ui {

host::TMsgAnswer ShowMessageBox(QWidget* parent, host::TMsgKind kind, const std::string& text,
                                host::TMsgButtons buttons, const TMessageHook& hook) {
    if (hook)
        return hook(kind, text, buttons);
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Velmoran"));
    box.setText(Q(text));
    box.setIcon(kind == host::TMsgKind::Error          ? QMessageBox::Critical
                : kind == host::TMsgKind::Confirmation ? QMessageBox::Question
                                                       : QMessageBox::Information);
    switch (buttons) {
    case host::TMsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case host::TMsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case host::TMsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return host::TMsgAnswer::Yes;
    case QMessageBox::No:
        return host::TMsgAnswer::No;
    case QMessageBox::Ok:
        return host::TMsgAnswer::Ok;
    default:
        return host::TMsgAnswer::Cancel;
    }
}

} // namespace ui
