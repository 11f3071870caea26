// Writes an event file with every kind of event dayloom makes, for the check
// of the exported calendar against a parser that is not ours:
//   ics_check_fixture DATA_FOLDER
#include <cstdio>
#include <filesystem>

#include "events/event_file.h"
#include "tests/support/builders.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ics_check_fixture DATA_FOLDER\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    const TodoItems store = Store({
        Event("Врач", At(2010, 10, 11, 10, 0)).Alert(4),
        Event("Звонок; маме, сестре", At(2010, 10, 11, 12, 30)).Notes("Спросить про выходные,\nкупить торт"),
        Event("Совещание", At(2010, 10, 12, 14, 0)).Lasting(2, kUnitHours).Alert(7),
        Event("Командировка", At(2010, 10, 18, 8, 0)).Lasting(3, kUnitDays).Alert(9),
        Event("Дежурство", At(2010, 10, 25, 9, 0)).Lasting(24, kUnitHours),
        Event("Полив цветов", At(2010, 10, 10, 9, 0)).Repeat("2", "3"),
        Event("Бассейн", At(2010, 10, 13, 19, 0)).Repeat("1", "4").Alert(5),
        Event("Английский", At(2010, 10, 5, 18, 0)).Repeat("2", "4"),
        Event("Отчёт за месяц", At(2010, 1, 31, 17, 0)).Repeat("1", "5"),
        Event("День рождения", At(2008, 10, 20, 8, 0)).Repeat("1", "6").Alert(9),
        Event("Зарядка", At(2010, 10, 13, 7, 30)).Repeat("0", "0", "42").Alert(0),
        Event("Уборка", At(2010, 10, 5, 11, 0)).Repeat("0", "0", "64"),
        Event("Таблетки", At(2010, 10, 14, 10, 0)).Repeat("30", "1").Alert(1),
        Event("Проверка почты", At(2010, 10, 15, 8, 0)).Repeat("2", "2", "2"),
        Event("Сдать отчёт", At(2010, 10, 11, 9, 0)).Until(At(2010, 10, 13, 18, 0)).Alert(8),
        Event("Купить билеты", At(2010, 10, 4, 10, 0)).Until(At(2010, 10, 4, 12, 0)).Done(),
        Event("Очень длинное название события, которое не помещается в одну строку файла iCalendar",
              At(2010, 10, 27, 16, 45)).Alert(3),
    });
    const WriteResult w = SaveToFile(dir / "ListToDo.db", store);
    if (!w.ok) {
        std::fprintf(stderr, "%s\n", w.error.c_str());
        return 1;
    }
    return 0;
}
