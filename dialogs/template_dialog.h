#pragma once
// A modal dialog laid out like a dialog resource: every control placed in dialog units, the
// controls in tab order, and each addressed by its command id, as callers and tests expect.

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

namespace corvane {

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// Dialog base units of the dialog font: 6 x 13 pixels at 96 DPI, scaled with the screen.
struct DialogUnits {
    int baseX = 6;
    int baseY = 13;

    // The base units for a screen of that logical resolution.
    static DialogUnits forDpi(double dpiX, double dpiY);

    // Dialog units to pixels, rounded to nearest as the system's conversion does.
    int toPixelsX(int dlu) const;
    int toPixelsY(int dlu) const;
    QRect toPixels(int x, int y, int width, int height) const;
};

// The stand-in for "MS Shell Dlg" at 8 points: a sans face of similar size and width.
QFont dialogFont();

class TemplateDialog : public QDialog {
    Q_OBJECT

  public:
    // The control with command id `id`, or nullptr.
    QWidget* control(int id) const;
    // Every control in tab order, static texts included.
    const std::vector<QWidget*>& controls() const { return controls_; }
    const DialogUnits& units() const { return units_; }
    // Presses the push button `id` as a click would (for callers without a mouse).
    void press(int id);

    // Escape and the window's close box press Cancel.
    void reject() override;

  protected:
    // A fixed-size dialog of width x height dialog units with that caption; `systemMenu` gives
    // it a close box, otherwise it has only a caption.
    TemplateDialog(QWidget* parent, const QString& caption, int width, int height, bool systemMenu);

    // A push button whose press reaches command(id).
    QPushButton* addButton(int id, const QString& text, int x, int y, int w, int h,
                           bool isDefault = false);
    // An automatic radio button of `group` (the group keeps exactly one selected).
    QRadioButton* addRadio(QButtonGroup& group, int id, const QString& text, int x, int y, int w,
                           int h);
    QLabel* addStatic(const QString& text, int x, int y, int w, int h);
    // A bordered edit box that takes digits only.
    QLineEdit* addDigitsBox(int id, int x, int y, int w, int h);

    // A button press, by command id.
    virtual void command(int id) = 0;

  private:
    void place(QWidget* widget, int id, int x, int y, int w, int h);

    DialogUnits units_;
    std::vector<QWidget*> controls_;
    std::map<int, QWidget*> byId_;
};

}  // namespace corvane
