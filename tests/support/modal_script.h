#pragma once
// Answers the program's modal windows from a queue, in the order they open, so that GUI tests
// never wait in a modal loop. A window that opens with no answer queued is a test failure.

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/modal.h"
#include "dialogs/fixed_layout_dialog.h"

#include <ostream>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace corvane::test {

using Answer = std::function<int(QDialog&)>;

// What a modal window showed when it opened.
struct SeenWindow {
    QString title;
    QString text;    // a message box's text; empty for other windows
    QString detail;  // a message box's informative text
    QWidget* parent = nullptr;
    bool messageBox = false;
    bool fileDialog = false;
};

class ModalScript {
  public:
    ModalRunner runner();

    void then(Answer answer) { answers_.push_back(std::move(answer)); }
    bool done() const { return answers_.empty(); }
    const std::vector<SeenWindow>& seen() const { return seen_; }
    // Titles and texts of the windows seen, one per line, for failure messages.
    std::string log() const;

  private:
    std::deque<Answer> answers_;
    std::vector<SeenWindow> seen_;
};

// Runs the event loop until `condition` holds (true) or `ms` milliseconds have passed (false);
// the limit only stops a fault from hanging the run.
bool waitUntil(const std::function<bool()>& condition, int ms = 60000);

// A message box with that text and caption, answered with `button`.
Answer box(QMessageBox::StandardButton button, QString text, QString caption);
// The same, also checking the box's icon.
Answer box(QMessageBox::StandardButton button, QString text, QString caption,
           QMessageBox::Icon icon);
// A file dialog accepting (Save) or opening files: choose `path`, or cancel when empty.
Answer file(QFileDialog::AcceptMode mode, QString path);
// Any dialog of fixed layout: `drive` sets its controls and presses its buttons.
Answer dialog(std::function<void(FixedLayoutDialog&)> drive);

}  // namespace corvane::test
