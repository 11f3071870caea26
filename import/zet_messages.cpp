#include "import/zet_messages.h"

#include "events/ansi.h"

namespace ZetMessage {

namespace {
std::string Two(int v) { return (v >= 0 && v < 10 ? "0" : "") + std::to_string(v); }
}  // namespace

std::string NoMonthsToImport() { return ansi("Выберите месяц(ы) для импорта."); }
std::string NoMonthsToLoad() { return ansi("Выберите месяц(ы) для загрузки."); }
std::string PasteData() { return ansi("Вставьте данные!"); }
std::string WrongPastedKind() {
    return ansi("Данные не соответствуют типу ZET-данных, выбранному для импорта.");
}
std::string NotAJournal() {
    return ansi("Это не ZET-журнал лунных дней и не журнал восходов и заходов Солнца.");
}

std::string FileMissing() { return ansi("Файл не найден."); }
std::string FileUnreadable() { return ansi("Файл не читается."); }
std::string FileTooLarge() { return ansi("Файл больше 64 МБ: это не журнал ZET."); }
std::string TextTooLarge() { return ansi("Текст больше 64 МБ: это не данные ZET."); }
std::string TooManyLines() { return ansi("Больше 1000000 строк: это не данные ZET."); }

std::string NotWhole(std::string_view text) {
    if (text.empty()) return ansi("пустое место вместо числа");
    return ansi("«") + ShownAnsiText(text, 40) + ansi("» — не целое число");
}

std::string NoSuchDate(int day, int month, int year) {
    return ansi("нет такой даты: ") + Two(day) + "." + Two(month) + "." + std::to_string(year);
}

std::string NoSuchYear(int year) {
    return ansi("нет такого года: ") + std::to_string(year) + ansi(" (годы от 1 до 9999)");
}

std::string NoSuchTime(int hour, int minute, int second, int shift) {
    std::string t = ansi("нет такого времени: ") + Two(hour) + ":" + Two(minute) + ":" + Two(second);
    if (shift != 0) t += ansi(" со сдвигом +") + std::to_string(shift);
    return t;
}

std::string NoDateBefore() { return ansi("нет даты, к которой отнести время"); }
std::string NoTime() { return ansi("нет времени"); }
std::string NoDate() { return ansi("нет даты"); }
std::string NoAspectText() { return ansi("нет кавычки перед текстом аспекта"); }
std::string EndBeforeStart() { return ansi("конец периода раньше его начала"); }

std::string LineFault(int lineNumber, std::string_view line, std::string_view reason) {
    return ansi("Строка ") + std::to_string(lineNumber) + ansi(": «") + ShownAnsiText(line, 120) + ansi("» — ") +
           std::string(reason) + ansi(". Ничего не импортировано.");
}

}  // namespace ZetMessage
