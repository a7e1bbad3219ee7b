#pragma once
// A modal dialog of fixed size whose controls stand at fixed places, measured in layout units
// (which follow the dialog font and the screen's resolution); the controls are in tab order in
// the order they were placed, and each is addressed by its id, as callers and tests expect.

#include <QButtonGroup>
#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <QString>
#include <map>
#include <vector>

#include "editor/dialog_rules.h"

namespace corvane {

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// What a dialog's exec() returns: the id of the button whose meaning its closing button has.
inline constexpr int kResultOk = kIdOk;
inline constexpr int kResultCancel = kIdCancel;

// The units the dialogs are laid out in. Their base is the dialog font's average character
// width and line height in pixels (6 x 13 at 96 DPI, scaled with the screen); a horizontal unit
// is a quarter of the width, a vertical unit an eighth of the height.
struct LayoutUnits {
    int charWidth = 6;
    int lineHeight = 13;

    // The units of a screen of that logical resolution.
    static LayoutUnits forDpi(double dpiX, double dpiY);

    // Layout units to pixels, rounded to nearest.
    int toPixelsX(int units) const;
    int toPixelsY(int units) const;
    QRect toPixels(int x, int y, int width, int height) const;
};

// The dialogs' font: a sans face of 7.5 points, the size the layouts were measured with.
QFont dialogFont();

class FixedLayoutDialog : public QDialog {
    Q_OBJECT

  public:
    // The control with id `id`, or nullptr.
    QWidget* control(int id) const;
    // Every control in tab order, static texts included.
    const std::vector<QWidget*>& controls() const { return controls_; }
    const LayoutUnits& units() const { return units_; }
    // Presses the push button `id` as a click would (for callers without a mouse).
    void press(int id);

    // Escape and the window's close box press the Cancel button.
    void reject() override;

  protected:
    // A fixed-size dialog of width x height layout units with that caption; `closeButton` gives
    // it a close box (and the window menu), otherwise it has only a caption.
    FixedLayoutDialog(QWidget* parent, const QString& caption, int width, int height,
                      bool closeButton);

    // A push button; the caller connects its clicked() to the slot of that button.
    QPushButton* addButton(int id, const QString& text, int x, int y, int w, int h,
                           bool isDefault = false);
    // An automatic radio button of `group` (the group keeps exactly one selected).
    QRadioButton* addRadio(QButtonGroup& group, int id, const QString& text, int x, int y, int w,
                           int h);
    // A text that takes no input.
    QLabel* addLabel(const QString& text, int x, int y, int w, int h);
    // A bordered edit box that takes digits only.
    QLineEdit* addDigitsBox(int id, int x, int y, int w, int h);

    // The end of every button's slot: the dialog closes with `result` when the model's `step`
    // says so, and stays open otherwise.
    void finish(DialogStep step, int result);

  private:
    void place(QWidget* widget, int id, int x, int y, int w, int h);

    LayoutUnits units_;
    std::vector<QWidget*> controls_;
    std::map<int, QWidget*> byId_;
};

}  // namespace corvane
