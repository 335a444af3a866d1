// What a save asks and reports in its own boxes.

#include <string>

#include "document/save/save_steps.h"
#include "host/text_format.h"
#include "host/view_host.h"

namespace quillix {

bool askToSaveIntoChangedFile(const Document& doc, ViewHost& host) {
    wchar_t text[fileTitleChars + 128];
    formatWithName(
        text, sizeof text / sizeof text[0], L"", nameOrUntitled(doc.fileTitle),
        L" was changed by another program after it was opened.\nSave your changes into it anyway?");
    return host.messageBox(BoxOwner::frame, text, programCaption, boxChangedFileQuestion) == answerYes;
}

void reportWriteFailure(ViewHost& host, SystemError cause) {
    const std::wstring text = withSystemReason(L"File write sharing violation!", cause);
    host.messageBox(BoxOwner::frame, text.c_str(), inputCaption, boxError);
}

void reportViewKept(const Document& doc, ViewHost& host, SystemError cause) {
    wchar_t text[fileTitleChars + 128];
    formatWithName(text, sizeof text / sizeof text[0], L"", nameOrUntitled(doc.fileTitle),
                   L" was saved, but could not be opened for viewing: the view still shows the file it "
                   L"showed before.");
    host.messageBox(BoxOwner::frame, withSystemReason(text, cause).c_str(), programCaption, boxWarning);
}

void reportSavedAside(const Document& doc, ViewHost& host, const std::wstring& written, SystemError cause) {
    // The path as the user writes it, without the \\?\ the system may name files with.
    std::wstring shown = written;
    if (shown.starts_with(L"\\\\?\\UNC\\"))
        shown.replace(0, 8, L"\\\\");
    else if (shown.starts_with(L"\\\\?\\"))
        shown.erase(0, 4);
    std::wstring text = nameOrUntitled(doc.fileTitle);
    text += L" was saved as " + shown + L", since its name is still held by the deleted file.";
    host.messageBox(BoxOwner::frame, withSystemReason(text, cause).c_str(), programCaption, boxWarning);
}

}  // namespace quillix
