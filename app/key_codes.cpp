#include "app/key_codes.h"

#include <Qt>

namespace corvane {

std::optional<KeyboardKey> editorKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Shift:
            return KeyboardKey::Shift;
        case Qt::Key_PageUp:
            return KeyboardKey::PageUp;
        case Qt::Key_PageDown:
            return KeyboardKey::PageDown;
        case Qt::Key_End:
            return KeyboardKey::End;
        case Qt::Key_Home:
            return KeyboardKey::Home;
        case Qt::Key_Left:
            return KeyboardKey::Left;
        case Qt::Key_Up:
            return KeyboardKey::Up;
        case Qt::Key_Right:
            return KeyboardKey::Right;
        default:
            return std::nullopt;
    }
}

bool isModifierKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Hyper_L:
        case Qt::Key_Hyper_R:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
        case Qt::Key_ScrollLock:
        case Qt::Key_Mode_switch:
            return true;
        default:
            return false;
    }
}

}  // namespace corvane
