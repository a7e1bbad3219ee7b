#include "tests/support/modal_script.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QElapsedTimer>
#include <QTest>

namespace corvane::test {

ModalRunner ModalScript::runner() {
    return [this](QDialog& window) {
        SeenWindow seen{window.windowTitle(), {}, {}, window.parentWidget(), false, false};
        if (auto* messageBox = qobject_cast<QMessageBox*>(&window)) {
            seen.text = messageBox->text();
            seen.detail = messageBox->informativeText();
            seen.messageBox = true;
        }
        seen.fileDialog = qobject_cast<QFileDialog*>(&window) != nullptr;
        seen_.push_back(seen);
        if (answers_.empty()) {
            ADD_FAILURE() << "A modal window opened with no answer queued: \""
                          << seen.title.toStdString() << "\" " << seen.text.toStdString();
            window.reject();
            return window.result();
        }
        Answer answer = std::move(answers_.front());
        answers_.pop_front();
        return answer(window);
    };
}

std::string ModalScript::log() const {
    std::string out;
    for (const SeenWindow& w : seen_) {
        out += "[" + w.title.toStdString() + "] " + w.text.toStdString() + "\n";
    }
    return out;
}

bool waitUntil(const std::function<bool()>& condition, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms) {
            return false;
        }
        QTest::qWait(5);
    }
    return true;
}

Answer box(QMessageBox::StandardButton button, QString text, QString caption) {
    return [=](QDialog& window) {
        auto* messageBox = qobject_cast<QMessageBox*>(&window);
        if (messageBox == nullptr) {
            ADD_FAILURE() << "Expected a message box, got \"" << window.windowTitle().toStdString()
                          << "\"";
            window.reject();
            return window.result();
        }
        EXPECT_EQ(messageBox->text(), text);
        EXPECT_EQ(messageBox->windowTitle(), caption);
        QAbstractButton* pressed = messageBox->button(button);
        if (pressed == nullptr) {
            ADD_FAILURE() << "The box \"" << text.toStdString() << "\" has no such button";
            window.reject();
            return window.result();
        }
        pressed->click();
        return window.result();
    };
}

Answer box(QMessageBox::StandardButton button, QString text, QString caption,
           QMessageBox::Icon icon) {
    Answer answer = box(button, text, caption);
    return [=](QDialog& window) {
        if (auto* messageBox = qobject_cast<QMessageBox*>(&window)) {
            EXPECT_EQ(messageBox->icon(), icon) << text.toStdString();
        }
        return answer(window);
    };
}

Answer file(QFileDialog::AcceptMode mode, QString path) {
    return [=](QDialog& window) {
        auto* fileDialog = qobject_cast<QFileDialog*>(&window);
        if (fileDialog == nullptr) {
            ADD_FAILURE() << "Expected a file dialog, got \"" << window.windowTitle().toStdString()
                          << "\"";
            window.reject();
            return window.result();
        }
        EXPECT_EQ(fileDialog->acceptMode(), mode);
        if (path.isEmpty()) {
            fileDialog->reject();
        } else {
            fileDialog->selectFile(path);
            // Through QDialog, where accept() is public: the file dialog's own checks run.
            static_cast<QDialog*>(fileDialog)->accept();
        }
        return fileDialog->result();
    };
}

Answer dialog(std::function<void(FixedLayoutDialog&)> drive) {
    return [=](QDialog& window) {
        auto* fixedDialog = qobject_cast<FixedLayoutDialog*>(&window);
        if (fixedDialog == nullptr) {
            ADD_FAILURE() << "Expected a dialog, got \"" << window.windowTitle().toStdString()
                          << "\"";
            window.reject();
            return window.result();
        }
        drive(*fixedDialog);
        return window.result();
    };
}

}  // namespace corvane::test
