#include "dialogs/fixed_layout_dialog.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <cmath>

namespace corvane {

LayoutUnits LayoutUnits::forDpi(double dpiX, double dpiY) {
    return {static_cast<int>(std::lround(6.0 * dpiX / 96.0)),
            static_cast<int>(std::lround(13.0 * dpiY / 96.0))};
}

namespace {

// n * numerator / denominator, rounded half away from zero; the product cannot overflow.
int scaleRounded(int n, int numerator, int denominator) {
    const long long product = static_cast<long long>(n) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}

}  // namespace

int LayoutUnits::toPixelsX(int units) const {
    return scaleRounded(units, charWidth, 4);
}
int LayoutUnits::toPixelsY(int units) const {
    return scaleRounded(units, lineHeight, 8);
}

QRect LayoutUnits::toPixels(int x, int y, int width, int height) const {
    return {toPixelsX(x), toPixelsY(y), toPixelsX(width), toPixelsY(height)};
}

QFont dialogFont() {
    // Nimbus Sans (fonts-urw-base35) has the proportions of the usual dialog faces; at 7.5
    // points its texts fill the widths the layouts give them.
    QFont font(QStringLiteral("Nimbus Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(7.5);
    font.setWeight(QFont::Normal);
    return font;
}

FixedLayoutDialog::FixedLayoutDialog(QWidget* parent, const QString& caption, int width,
                                     int height, bool closeButton)
    : QDialog(parent) {
    setWindowTitle(caption);
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (closeButton) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    setWindowFlags(flags);
    setModal(true);
    setFont(dialogFont());
    units_ = LayoutUnits::forDpi(logicalDpiX(), logicalDpiY());
    // Radio indicators the size of the system's (13 pixels at 96 DPI), so that the 8-unit-high
    // instrument buttons show them whole, with the text close beside them.
    const int indicator = units_.toPixelsY(8);
    const int spacing = units_.toPixelsX(2);
    setStyleSheet(QStringLiteral("QRadioButton::indicator { width: %1px; height: %1px; }"
                                 " QRadioButton { spacing: %2px; }")
                      .arg(indicator)
                      .arg(spacing));
    setFixedSize(units_.toPixelsX(width), units_.toPixelsY(height));
}

QWidget* FixedLayoutDialog::control(int id) const {
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

void FixedLayoutDialog::press(int id) {
    if (auto* button = qobject_cast<QAbstractButton*>(control(id))) {
        button->click();
    }
}

void FixedLayoutDialog::reject() {
    press(kIdCancel);
}

void FixedLayoutDialog::finish(DialogStep step, int result) {
    if (step == DialogStep::Close) {
        done(result);
    }
}

void FixedLayoutDialog::place(QWidget* widget, int id, int x, int y, int w, int h) {
    widget->setGeometry(units_.toPixels(x, y, w, h));
    if (id != 0) {
        byId_[id] = widget;
    }
    // Tab order is the order of placing.
    if (widget->focusPolicy() != Qt::NoFocus) {
        QWidget* previous = nullptr;
        for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
            if ((*it)->focusPolicy() != Qt::NoFocus) {
                previous = *it;
                break;
            }
        }
        if (previous != nullptr) {
            setTabOrder(previous, widget);
        }
    }
    controls_.push_back(widget);
}

QPushButton* FixedLayoutDialog::addButton(int id, const QString& text, int x, int y, int w,
                                          int h, bool isDefault) {
    auto* button = new QPushButton(text, this);
    button->setDefault(isDefault);
    place(button, id, x, y, w, h);
    return button;
}

QRadioButton* FixedLayoutDialog::addRadio(QButtonGroup& group, int id, const QString& text,
                                          int x, int y, int w, int h) {
    auto* radio = new QRadioButton(text, this);
    group.addButton(radio, id);
    place(radio, id, x, y, w, h);
    return radio;
}

QLabel* FixedLayoutDialog::addLabel(const QString& text, int x, int y, int w, int h) {
    auto* label = new QLabel(text, this);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(label, 0, x, y, w, h);
    return label;
}

QLineEdit* FixedLayoutDialog::addDigitsBox(int id, int x, int y, int w, int h) {
    auto* box = new QLineEdit(this);
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
    place(box, id, x, y, w, h);
    return box;
}

}  // namespace corvane
