#include "ui/TFrmAbout.h"

#include "ui/QtText.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>

namespace ui {

TFrmAbout::TFrmAbout(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Velmoran"));
    auto* layout = new QGridLayout(this);
    Image1 = new QLabel(this);
    const QIcon icon = QApplication::windowIcon().isNull()
                           ? style()->standardIcon(QStyle::SP_DriveHDIcon)
                           : QApplication::windowIcon();
    Image1->setPixmap(icon.pixmap(32, 32));
    Image1->setFixedSize(32, 32);
    Image1->installEventFilter(this);
    LblProgramName = new QLabel(QStringLiteral("Velmoran"), this);
    QFont big = LblProgramName->font();
    big.setPixelSize(27);
    LblProgramName->setFont(big);
    LblProgramName->setAlignment(Qt::AlignCenter);
    LblFileVersion = new QLabel(this);
    LblLegalCopyright = new QLabel(this);
    LblFileVersion->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LblLegalCopyright->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(Image1, 0, 0, Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(LblProgramName, 0, 1, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("File Version:"), this), 1, 1);
    layout->addWidget(LblFileVersion, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Copyright:"), this), 2, 1);
    layout->addWidget(LblLegalCopyright, 2, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons, 3, 0, 1, 3);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    VersionInf1.SetUseExeName(true);
    UpdateDisplays();
}

void TFrmAbout::UpdateDisplays() {
    if (!VersionInf1.Available()) {
        LblFileVersion->clear();
        LblLegalCopyright->clear();
        return;
    }
    // A block without translations has no strings either.
    try {
        LblFileVersion->setText(Q(VersionInf1.FileVersion()));
        LblLegalCopyright->setText(Q(VersionInf1.LegalCopyright()));
    } catch (const std::exception&) {
        LblFileVersion->clear();
        LblLegalCopyright->clear();
    }
}

void TFrmAbout::Image1Click(Qt::KeyboardModifiers modifiers) {
    if (!modifiers.testFlag(Qt::ShiftModifier) || !modifiers.testFlag(Qt::ControlModifier))
        return;
    DebugMode = !DebugMode;
    ++Beeps;
    QApplication::beep();
}

bool TFrmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image1 && event->type() == QEvent::MouseButtonPress) {
        Image1Click(static_cast<QMouseEvent*>(event)->modifiers());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmAbout::Execute(bool& debugMode, QWidget* parent,
                        const std::function<void(TFrmAbout&)>& prepare) {
    TFrmAbout box(parent);
    box.DebugMode = debugMode;
    if (prepare)
        prepare(box);
    box.exec();
    debugMode = box.DebugMode;
}

} // namespace ui
