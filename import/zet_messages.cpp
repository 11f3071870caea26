#include "import/zet_messages.h"

#include "events/ansi.h"

namespace ZetMessage {

namespace {
std::string Two(int v) { return (v >= 0 && v < 10 ? "0" : "") + std::to_string(v); }
}  // namespace

std::string NoMonthsToImport() { return std::string("Выберите месяц(ы) для импорта."); }
std::string NoMonthsToLoad() { return std::string("Выберите месяц(ы) для загрузки."); }
std::string PasteData() { return std::string("Вставьте данные!"); }
std::string WrongPastedKind() {
    return std::string("Данные не соответствуют типу ZET-данных, выбранному для импорта.");
}
std::string NotAJournal() {
    return std::string("Это не ZET-журнал лунных дней и не журнал восходов и заходов Солнца.");
}

std::string FileMissing() { return std::string("Файл не найден."); }
std::string FileUnreadable() { return std::string("Файл не читается."); }
std::string FileTooLarge() { return std::string("Файл больше 64 МБ: это не журнал ZET."); }
std::string TextTooLarge() { return std::string("Текст больше 64 МБ: это не данные ZET."); }
std::string TooManyLines() { return std::string("Больше 1000000 строк: это не данные ZET."); }

std::string NotWhole(std::string_view text) {
    if (text.empty()) return std::string("пустое место вместо числа");
    return "«" + utf8(ShownAnsiText(text, 40)) + "» — не целое число";
}

std::string NoSuchDate(int day, int month, int year) {
    return std::string("нет такой даты: ") + Two(day) + "." + Two(month) + "." + std::to_string(year);
}

std::string NoSuchYear(int year) {
    return std::string("нет такого года: ") + std::to_string(year) + std::string(" (годы от 1 до 9999)");
}

std::string NoSuchTime(int hour, int minute, int second, int shift) {
    std::string t = std::string("нет такого времени: ") + Two(hour) + ":" + Two(minute) + ":" + Two(second);
    if (shift != 0) t += std::string(" со сдвигом +") + std::to_string(shift);
    return t;
}

std::string NoDateBefore() { return std::string("нет даты, к которой отнести время"); }
std::string NoTime() { return std::string("нет времени"); }
std::string NoDate() { return std::string("нет даты"); }
std::string NoAspectText() { return std::string("нет кавычки перед текстом аспекта"); }
std::string EndBeforeStart() { return std::string("конец периода раньше его начала"); }

std::string LineFault(int lineNumber, std::string_view line, std::string_view reason) {
    return "Строка " + std::to_string(lineNumber) + ": «" + utf8(ShownAnsiText(line, 120)) + "» — " +
           std::string(reason) + ". Ничего не импортировано.";
}

}  // namespace ZetMessage
