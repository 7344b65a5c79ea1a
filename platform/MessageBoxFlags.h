#pragma once

namespace platform {

// Button sets and icons of a message box, with the classic numeric values so
// flags can be combined and stored as they always were. Kept apart from the
// dialog itself so that code without a display (the engine, the batch
// command) can speak of questions and answers.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDRETRY = 4;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The answer when nobody can be asked (defined with messageBox): IDOK when OK is the only button,
// IDNO for Yes/No, IDCANCEL otherwise.
int cautiousAnswer(unsigned flags);

}  // namespace platform
