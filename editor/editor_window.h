#pragma once
// The editor's only way to the platform: the window it lives in. The desktop application puts a
// Qt window behind it; the headless replay and the tests put their own.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "render/canvas.h"
#include "sound/device.h"

namespace corvane {

class TrackDialogModel;
class DrumTrackDialogModel;
class MeasureDialogModel;
class DynamicDialogModel;

// The file dialogs of the File menu.
enum class FileDialogKind { Save, Open, WriteMidi, ExportMusicXml, ImportMidi };

// The answer to a Yes/No/Cancel question; closing the box counts as Cancel.
enum class Answer { Yes, No, Cancel };

// The sequencer's completion notice arrives through NotifyTarget and must be handed to the
// window thread; everything else here is called on that thread.
class EditorWindow : public NotifyTarget {
  public:
    virtual ~EditorWindow() = default;

    // Asks for a repaint of the whole client area, without erasing the background.
    virtual void invalidate() = 0;
    // Asks for a repaint of `r` (client pixels).
    virtual void invalidateRect(const Rect& r) = 0;
    // The client area: left and top are 0, right and bottom are its width and height.
    virtual Rect clientRect() const = 0;
    // Makes sure the mouse cursor is visible.
    virtual void showCursor() = 0;
    // The mouse cursor's current position in client coordinates.
    virtual Point cursorPos() const = 0;
    // Hands `c` to the window as a typed character, to reach EditorView::onChar like a key press.
    virtual void postChar(char32_t c) = 0;
    // The status line now says `text` (what a click at the pointer would do; may be empty).
    virtual void showStatus(std::string_view text) = 0;
    // Says `text` once where the user sees it without being stopped (the status line): what an
    // import had to approximate, say.
    virtual void showNotice(std::string_view text) = 0;
    // The track area is scrolled down by `trackScroll` pixels of at most `maxTrackScroll`; told
    // when either changes and after every size change.
    virtual void showTrackScroll(int trackScroll, int maxTrackScroll) = 0;

    // A new back buffer of at least w x h pixels (raster in the application, recording headless).
    virtual std::unique_ptr<Canvas> createCanvas(int width, int height) = 0;
    // Copies the top-left width x height pixels of the back buffer to the window in one transfer.
    virtual void present(const Canvas& backBuffer, int width, int height) = 0;

    // Modal dialogs: each lets the user drive the model's controls and buttons until a button
    // closes it; closing the dialog any other way presses Cancel.
    virtual void runTrackDialog(TrackDialogModel& model) = 0;
    virtual void runDrumTrackDialog(DrumTrackDialogModel& model) = 0;
    virtual void runMeasureDialog(MeasureDialogModel& model) = 0;
    virtual void runDynamicDialog(DynamicDialogModel& model) = 0;

    // A modal Yes/No question; true for Yes.
    virtual bool askYesNo(std::string_view text, std::string_view caption) = 0;
    // A modal Yes/No/Cancel question.
    virtual Answer askYesNoCancel(std::string_view text, std::string_view caption) = 0;
    // A modal box that only informs (an error), with an OK button: `text` is the message and
    // `detail` (may be empty) what it concerns, such as the file and the cause, shown beneath.
    virtual void showMessage(std::string_view text, std::string_view caption,
                             std::string_view detail) = 0;
    // The file dialog of `kind`; the chosen path, or nullopt when cancelled.
    virtual std::optional<std::string> chooseFile(FileDialogKind kind) = 0;
};

}  // namespace corvane
