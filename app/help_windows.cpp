#include "app/help_windows.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "editor/key_reference.h"

namespace corvane {

namespace {

QString row(const QString& keys, const QString& action) {
    return QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
        .arg(keys.toHtmlEscaped(), action.toHtmlEscaped());
}

QString heading(const QString& title) {
    return QStringLiteral("<tr><td colspan=\"2\"><h3>%1</h3></td></tr>").arg(title.toHtmlEscaped());
}

// A menu item's text as a person reads it: "Save &As..." is "Save As".
QString plainText(const QAction& action) {
    QString text = action.text();
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    text.replace(QStringLiteral("&&"), QStringLiteral("&"));
    if (text.endsWith(QStringLiteral("..."))) {
        text.chop(3);
    }
    return text;
}

QString menuRows(const QMenu& menu) {
    QString rows;
    for (const QAction* action : menu.actions()) {
        if (action->menu() != nullptr) {
            rows += menuRows(*action->menu());
        }
        QStringList keys;
        for (const QKeySequence& key : action->shortcuts()) {
            keys << key.toString(QKeySequence::NativeText);
        }
        if (!keys.isEmpty()) {
            rows += row(keys.join(QStringLiteral(", ")), plainText(*action));
        }
    }
    return rows;
}

}  // namespace

const QList<ShippedWork>& shippedWorks() {
    static const QList<ShippedWork> works{
        {"bravura", "Bravura music font 1.392, by Steinberg Media Technologies GmbH",
         "SIL Open Font License 1.1"},
        {"musicxml", "MusicXML 3.0 schema, by Recordare LLC (in the sources, to check exports)",
         "MusicXML Public License 3.0"},
    };
    return works;
}

QString keyboardShortcutsHtml(const QList<QMenu*>& menus) {
    QString html = QStringLiteral("<table cellspacing=\"4\">");
    html += heading(QStringLiteral("Menu commands"));
    for (const QMenu* menu : menus) {
        html += menuRows(*menu);
    }
    for (const KeyReferenceSection& section : editorKeyReference()) {
        html += heading(QString::fromStdString(section.title));
        for (const KeyReferenceRow& r : section.rows) {
            html += row(QString::fromStdString(r.keys), QString::fromStdString(r.action));
        }
    }
    return html + QStringLiteral("</table>");
}

void showKeyboardShortcuts(QWidget* parent, const ModalRunner& run, const QList<QMenu*>& menus) {
    QDialog window(parent);
    window.setWindowTitle(QStringLiteral("Keyboard Shortcuts"));
    auto* text = new QTextBrowser;
    text->setObjectName(QStringLiteral("shortcuts"));
    text->setHtml(keyboardShortcutsHtml(menus));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(text);
    layout->addWidget(buttons);
    window.resize(560, 640);
    run(window);
}

QString aboutText(const SoundInUse& sound) {
    QString text = QStringLiteral(
                       "<h2>Corvane %1</h2>"
                       "<p>An editor for small multi-track pieces in staff notation, "
                       "heard through General MIDI.</p>")
                       .arg(QStringLiteral(CORVANE_VERSION));
    text += QStringLiteral("<p><b>Sound:</b> ");
    if (sound.output.empty() || sound.soundfont.empty()) {
        text += QStringLiteral("none");
        if (!sound.soundfont.empty()) {
            text += QStringLiteral(" (no audio output; the soundfont would be %1)")
                        .arg(QString::fromStdString(sound.soundfont).toHtmlEscaped());
        } else if (!sound.output.empty()) {
            text += QStringLiteral(" (no General MIDI soundfont was found)");
        }
    } else {
        text += QStringLiteral("FluidSynth with the soundfont %1, through the %2 audio output")
                    .arg(QString::fromStdString(sound.soundfont).toHtmlEscaped(),
                         QString::fromStdString(sound.output).toHtmlEscaped());
    }
    text += QStringLiteral(".</p><p><b>Third-party works in Corvane:</b></p><ul>");
    for (const ShippedWork& work : shippedWorks()) {
        text += QStringLiteral("<li>%1, under the %2</li>")
                    .arg(QString::fromUtf8(work.what), QString::fromUtf8(work.licence));
    }
    text += QStringLiteral(
                "</ul><p>Built on Qt %1 (LGPL 3), FluidSynth (LGPL 2.1 or later), "
                "libsndfile (LGPL 2.1 or later), expat (MIT) and libzip (BSD 3-clause).</p>")
                .arg(QString::fromLatin1(qVersion()));
    return text;
}

void showAbout(QWidget* parent, const ModalRunner& run, const SoundInUse& sound) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("About Corvane"), aboutText(sound),
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::RichText);
    run(box);
}

}  // namespace corvane
