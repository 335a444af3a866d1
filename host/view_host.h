#pragma once
// The narrow seam between the portable core and the window system. The Win32 shell
// implements it with the real calls on the hex view window; native tests implement it
// with a recorder. Everything the core asks of windows goes through here.

#include <cstddef>
#include <cstdint>

namespace quillix {

// Client pixels of the hex view, right and bottom exclusive, as a RECT.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Which window owns a message box.
enum class BoxOwner { none, hexView, frame };

// Captions of the program's boxes: every failed operation and refusal, and the input
// checks of the Find and Goto dialogs with a write failure inside a save.
inline constexpr wchar_t programCaption[] = L"Quillix-64bit";
inline constexpr wchar_t inputCaption[] = L"Quillix";

// Message box styles and answers, with the values the window system uses.
inline constexpr unsigned boxWarning = 0x2030;            // MB_TASKMODAL | MB_ICONWARNING
inline constexpr unsigned boxError = 0x10;                // MB_ICONERROR, OK only
inline constexpr unsigned boxChangedFileQuestion = 0x34;  // MB_YESNO | MB_ICONWARNING
inline constexpr unsigned boxPasteQuestion = 0x34;        // MB_YESNO | MB_ICONWARNING
inline constexpr int answerOk = 1;
inline constexpr int answerYes = 6;
inline constexpr int answerNo = 7;

inline constexpr std::uint32_t attributeReadOnly = 0x1;          // FILE_ATTRIBUTE_READONLY
inline constexpr std::uint32_t invalidAttributes = 0xFFFFFFFFu;  // INVALID_FILE_ATTRIBUTES

// Status bar parts.
inline constexpr int statusPartActivity = 0;  // "Ready", or what a long operation is doing
inline constexpr int statusPartOffset = 1;
inline constexpr int statusPartBytes = 2;

// The clipboard formats the program writes and reads: its own registered binary format
// (the bytes exactly), the system's Unicode text (CF_UNICODETEXT), and its 8-bit text
// (CF_TEXT) for text of ASCII characters alone, which the system hands to a program asking
// for Unicode text as that.
enum class ClipboardFormat { bytes, text, asciiText };

// What a long operation learns each time it looks up from its work.
struct Checkpoint {
    std::uint64_t milliseconds = 0;  // a steady clock, for when to start showing progress
    bool stop = false;               // the user pressed Escape: give up now
};

class ViewHost {
public:
    virtual ~ViewHost() = default;

    // The system caret of the hex view.
    virtual void createCaret(int width, int height) = 0;
    virtual void destroyCaret() = 0;
    virtual void showCaret() = 0;
    virtual void hideCaret() = 0;
    virtual void setCaretPos(int x, int y) = 0;

    // Repaint requests on the hex view: null means the whole client area.
    virtual void invalidate(const PixelRect* rect, bool erase) = 0;
    virtual void updateWindow() = 0;

    // The hex view's vertical scroll bar. setScrollRange sets range 0..max and the
    // position, keeping the bar visible but disabled when max is 0.
    virtual void setScrollRange(int max, int position) = 0;
    virtual void setScrollPosition(int position) = 0;
    virtual int scrollTrackPosition() = 0;
    // The horizontal scroll bar: its box to leftCell, and its range, its page and whether
    // it shows, from the view's width and what it shows (leftMax and viewHeight follow).
    virtual void setHorizontalPosition(int) {}
    virtual void fitHorizontalBar() {}
    virtual int horizontalTrackPosition() { return 0; }

    // Sets the text of status bar part 0, 1 or 2.
    virtual void setStatusText(int part, const wchar_t* text) = 0;

    // A modal message box; returns the button pressed.
    virtual int messageBox(BoxOwner owner, const wchar_t* text, const wchar_t* caption, unsigned style) = 0;
    virtual void beep() = 0;

    // The wait cursor while a long operation runs: on, then off again.
    virtual void setWaitCursor(bool on) = 0;

    // GetFileAttributesW: invalidAttributes when the path names no file.
    virtual std::uint32_t fileAttributes(const wchar_t* path) = 0;

    // A long operation (progress.h lists them) calls this
    // before its first chunk of work and after each further few MiB. It paints what waits
    // to be painted, reads the clock, and takes every key typed meanwhile out of the
    // thread's queue, reporting a stop when Escape is among them: keys typed during the
    // operation belong to it and are never applied afterwards. Nothing else is taken from
    // the queue or handled, so the one thread stays answering and nothing runs beside the
    // operation.
    virtual Checkpoint checkpoint() = 0;

    // Writing the clipboard: a copy asks for one block per format and fills it, then hands
    // them all over at once, so the clipboard never holds half a copy.
    // Room for a block of bytes in format, kept by the host until putClipboard or
    // dropClipboardBlocks; null when memory runs out.
    virtual void* clipboardBlock(ClipboardFormat format, std::size_t bytes) = 0;
    // Empties the clipboard and puts every block on it. Returns false, the clipboard as it
    // was, when the clipboard cannot be opened or takes a block; the blocks are gone either way.
    virtual bool putClipboard() = 0;
    virtual void dropClipboardBlocks() = 0;

    // Reading the clipboard. Whether it holds something in format, without reading it.
    virtual bool clipboardHas(ClipboardFormat format) = 0;
    // The clipboard's content in format: data and bytes stay valid until endClipboardRead.
    // False when it holds nothing in that format or cannot be opened.
    virtual bool readClipboard(ClipboardFormat format, const void*& data, std::size_t& bytes) = 0;
    // Lets go of what readClipboard handed out; nothing happens when nothing was read.
    virtual void endClipboardRead() = 0;
};

}  // namespace quillix
