// A button that enlarges its whole dialog in three steps (as designed, medium, large) and back,
// always from the size and font recorded when the dialog was shown, never cumulatively. A dialog
// placed by hand has every control moved and sized by the ratio; a dialog built with layouts
// gets the scaled font and lets its layouts place the controls.
#pragma once

#include <QPointer>
#include <QToolButton>

#include <array>
#include <vector>

namespace ui {

enum class TDlgZoomState { dzSmall, dzMedium, dzLarge };

class TDlgZoomButton : public QToolButton {
    Q_OBJECT

public:
    // The button acts on `form`, the dialog it sits on.
    explicit TDlgZoomButton(QWidget* form);

    int MediumRatio = 150; // percent
    int LargeRatio = 200;
    bool Moveable = true; // whether the button's own position scales
    QString SmallCaption, MediumCaption, LargeCaption;
    // Glyphs of the three states (none: the button shows its caption).
    std::array<QIcon, 3> Images;

    TDlgZoomState State() const { return state_; }
    // Writing the state or Sizeable applies it at once.
    void SetState(TDlgZoomState state);
    bool Sizeable() const { return sizeable_; }
    void SetSizeable(bool sizeable);

    // Records the dialog's size, font and the geometry of every widget on it, then shows the
    // dialog as designed. Call it each time the dialog is shown.
    void RecordLayout();
    // Advances the state (small, medium, large, small) and applies it.
    void Click();

    // Magnifier glyphs: enlarge, enlarge more, back to the designed size.
    static std::array<QIcon, 3> MagnifierGlyphs();

private:
    void Apply();
    void ShowGlyph();

    struct Recorded {
        QPointer<QWidget> Widget;
        QRect Geometry;
    };
    QWidget* form_;
    TDlgZoomState state_ = TDlgZoomState::dzSmall;
    bool sizeable_ = false;
    bool initialized_ = false;
    QSize client_;
    int fontSize_ = 0;
    bool fontInPixels_ = false;
    std::vector<Recorded> recorded_;
};

} // namespace ui
