#include "dialogs/template_dialog.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <cmath>

namespace corvane {

DialogUnits DialogUnits::forDpi(double dpiX, double dpiY) {
    return {static_cast<int>(std::lround(6.0 * dpiX / 96.0)),
            static_cast<int>(std::lround(13.0 * dpiY / 96.0))};
}

namespace {

// n * numerator / denominator rounded half away from zero, like MulDiv.
int mulDiv(int n, int numerator, int denominator) {
    const long long product = static_cast<long long>(n) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}

}  // namespace

int DialogUnits::toPixelsX(int dlu) const {
    return mulDiv(dlu, baseX, 4);
}
int DialogUnits::toPixelsY(int dlu) const {
    return mulDiv(dlu, baseY, 8);
}

QRect DialogUnits::toPixels(int x, int y, int width, int height) const {
    return {toPixelsX(x), toPixelsY(y), toPixelsX(width), toPixelsY(height)};
}

QFont dialogFont() {
    // Nimbus Sans (fonts-urw-base35) has the proportions of the usual dialog faces; at 7.5
    // points its text is as wide as the 8-point dialog font the layouts were measured with.
    QFont font(QStringLiteral("Nimbus Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(7.5);
    font.setWeight(QFont::Normal);
    return font;
}

TemplateDialog::TemplateDialog(QWidget* parent, const QString& caption, int width, int height,
                               bool systemMenu)
    : QDialog(parent) {
    setWindowTitle(caption);
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (systemMenu) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    setWindowFlags(flags);
    setModal(true);
    setFont(dialogFont());
    units_ = DialogUnits::forDpi(logicalDpiX(), logicalDpiY());
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

QWidget* TemplateDialog::control(int id) const {
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

void TemplateDialog::press(int id) {
    if (auto* button = qobject_cast<QAbstractButton*>(control(id))) {
        button->click();
    }
}

void TemplateDialog::reject() {
    command(kIdCancel);
}

void TemplateDialog::place(QWidget* widget, int id, int x, int y, int w, int h) {
    widget->setGeometry(units_.toPixels(x, y, w, h));
    if (id != 0) {
        byId_[id] = widget;
    }
    // Tab order is the order of placing, as in a dialog template.
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

QPushButton* TemplateDialog::addButton(int id, const QString& text, int x, int y, int w, int h,
                                       bool isDefault) {
    auto* button = new QPushButton(text, this);
    button->setDefault(isDefault);
    place(button, id, x, y, w, h);
    connect(button, &QPushButton::clicked, this, [this, id] { command(id); });
    return button;
}

QRadioButton* TemplateDialog::addRadio(QButtonGroup& group, int id, const QString& text, int x,
                                       int y, int w, int h) {
    auto* radio = new QRadioButton(text, this);
    group.addButton(radio, id);
    place(radio, id, x, y, w, h);
    return radio;
}

QLabel* TemplateDialog::addStatic(const QString& text, int x, int y, int w, int h) {
    auto* label = new QLabel(text, this);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(label, 0, x, y, w, h);
    return label;
}

QLineEdit* TemplateDialog::addDigitsBox(int id, int x, int y, int w, int h) {
    auto* box = new QLineEdit(this);
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
    place(box, id, x, y, w, h);
    return box;
}

}  // namespace corvane
