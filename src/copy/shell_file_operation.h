#pragma once

#include <cstdint>

// The shell's file operation as the program calls it on Windows (shell32 SHFileOperationA), carried
// out on the host by the copy engine with the shell's own progress, question and error windows.
namespace quillmere::copy {

class ShellCopyUi;

inline constexpr unsigned FO_MOVE = 1;
inline constexpr unsigned FO_COPY = 2;
inline constexpr unsigned FO_DELETE = 3;
inline constexpr unsigned FO_RENAME = 4;

inline constexpr std::uint16_t FOF_SILENT = 0x0004;
inline constexpr std::uint16_t FOF_NOCONFIRMATION = 0x0010;
inline constexpr std::uint16_t FOF_FILESONLY = 0x0080;
inline constexpr std::uint16_t FOF_NOCONFIRMMKDIR = 0x0200;
inline constexpr std::uint16_t FOF_NOERRORUI = 0x0400;

// The shell's record. pFrom and pTo are lists in the 8-bit code page: entries separated by one
// NUL, the list ended by a second.
struct SHFILEOPSTRUCTA {
    void* hwnd = nullptr;
    unsigned wFunc = 0;
    const char* pFrom = nullptr;
    const char* pTo = nullptr;
    std::uint16_t fFlags = 0;
    int fAnyOperationsAborted = 0;
    void* hNameMappings = nullptr;
    const char* lpszProgressTitle = nullptr;
};

// Copies (FO_COPY) every file that pFrom's entries select into the folder pTo. Returns 0 or a
// Windows error code; fAnyOperationsAborted tells whether the user skipped a file or cancelled.
// Only FO_COPY is carried out; other operations are refused with ERROR_INVALID_PARAMETER (87).
int SHFileOperationA(SHFILEOPSTRUCTA* operation);

// Installs the user interface every later operation talks to, or puts the Qt windows back with
// nullptr. The caller keeps ownership.
void setShellCopyUi(ShellCopyUi* ui);

// Replaces the whole operation for the rest of the run (nullptr puts the real one back), so callers
// can be tested on the record they build.
using FileOperationHandler = int (*)(SHFILEOPSTRUCTA*);
void setFileOperationHandler(FileOperationHandler handler);

} // namespace quillmere::copy
