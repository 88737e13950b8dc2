// The about box: the program's name, version and copyright, and the switch of the debug mode
// (a click on the icon with Shift and Ctrl held).
#pragma once

#include "app/VersionInf.h"

#include <QDialog>

#include <functional>

class QLabel;

namespace ui {

class TFrmAbout : public QDialog {
    Q_OBJECT

public:
    explicit TFrmAbout(QWidget* parent = nullptr);

    // Shows the box modally; `debugMode` is inverted by each Shift+Ctrl click on the icon.
    // `prepare` lets tests reach the box before it shows.
    static void Execute(bool& debugMode, QWidget* parent,
                        const std::function<void(TFrmAbout&)>& prepare = {});

    // Fills the display labels from the version information (empty without any).
    void UpdateDisplays();
    // A click on the icon: with both Shift and Ctrl held, inverts DebugMode and beeps.
    void Image1Click(Qt::KeyboardModifiers modifiers);

    bool DebugMode = false;
    int Beeps = 0;
    app::TVersionInf VersionInf1;
    QLabel* Image1 = nullptr;
    QLabel* LblProgramName = nullptr;
    QLabel* LblFileVersion = nullptr;
    QLabel* LblLegalCopyright = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace ui
