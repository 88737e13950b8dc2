#include "ui/DialogParts.h"

#include "ui/QtText.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ui {

QDialogButtonBox* OkCancel(QDialog* dialog, QPushButton*& ok,
                           const std::function<bool()>& mayAccept) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, [dialog, mayAccept] {
        if (!mayAccept || mayAccept())
            dialog->accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QLabel* Buddy(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

void ChooseFolderInto(QLineEdit* edit, const QString& title, const TFolderChooser& ask) {
    std::optional<std::string> chosen;
    if (ask) {
        chosen = ask(FileNameFromQ(edit->text()));
    } else {
        const QString dir = QFileDialog::getExistingDirectory(edit->window(), title, edit->text());
        if (!dir.isEmpty())
            chosen = FileNameFromQ(dir);
    }
    if (chosen)
        edit->setText(QFromFileName(*chosen));
}

} // namespace ui
