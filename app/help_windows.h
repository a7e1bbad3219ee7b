#pragma once
// The Help menu's windows: the keyboard shortcuts, and About with the version, what ships with
// the program under which licence, and the sound in use.

#include <QList>
#include <QString>
#include <string>

#include "dialogs/modal.h"

class QMenu;
class QWidget;

namespace corvane {

// The sound the program plays through, as the About window names it.
struct SoundInUse {
    std::string soundfont;  // the soundfont's file; empty when none was found
    std::string output;     // the audio output (driver) in use; empty when none
};

// What ships in third_party/: the folder, what it is, and its licence.
struct ShippedWork {
    const char* folder;
    const char* what;
    const char* licence;
};
const QList<ShippedWork>& shippedWorks();

// The shortcuts as an HTML table: every action of `menus` that has a shortcut, then the editor's
// own keys and mouse (editor/key_reference.h).
QString keyboardShortcutsHtml(const QList<QMenu*>& menus);
// Help > Keyboard Shortcuts: a window with that table, run through `run`.
void showKeyboardShortcuts(QWidget* parent, const ModalRunner& run, const QList<QMenu*>& menus);

// The About text (HTML): the version, what ships with the program and its licence, the
// libraries it is built on, and `sound`.
QString aboutText(const SoundInUse& sound);
// Help > About: that text in a box, run through `run`.
void showAbout(QWidget* parent, const ModalRunner& run, const SoundInUse& sound);

}  // namespace corvane
