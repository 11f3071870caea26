#pragma once
// The texts the import shows the user, in UTF-8 as every message of the
// library (the events' own texts stay in Windows-1251).
#include <string>
#include <string_view>

namespace ZetMessage {

std::string NoMonthsToImport();  // moon-day journal, no month chosen
std::string NoMonthsToLoad();    // sunrise and sunset journal, no month chosen
std::string PasteData();         // the paste box is empty
std::string WrongPastedKind();   // the first line is not of the chosen kind
std::string NotAJournal();       // neither journal run knows the file

std::string FileMissing();
std::string FileUnreadable();
std::string FileTooLarge();
std::string TextTooLarge();
std::string TooManyLines();

// Why a line does not convert.
std::string NotWhole(std::string_view text);
std::string NoSuchDate(int day, int month, int year);
std::string NoSuchYear(int year);
std::string NoSuchTime(int hour, int minute, int second, int shift);
std::string NoDateBefore();
std::string NoTime();
std::string NoDate();
std::string NoAspectText();
std::string EndBeforeStart();

// "Строка N: «text» — reason. Ничего не импортировано." The line, in
// Windows-1251 as read, is shown as ShownAnsiText shows outside text.
std::string LineFault(int lineNumber, std::string_view line, std::string_view reason);

}  // namespace ZetMessage
