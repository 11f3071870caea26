// Writes the event file the dayloom-cli smoke test reads: DIR/ListToDo.db;
// with --sun-journal FILE, a sunrise-and-sunset journal in Windows-1251.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "events/ansi.h"
#include "events/event_file.h"
#include "events/todo_item.h"

namespace {

void Simple(TodoItems& store, const char* name, TDateTime start, int alert) {
    TTodoItem& e = store.Add();
    e.Subject = ansi(name);
    e.CreationDate = start;
    e.Category = e.Project = e.Resource = "0";
    e.ImageIndex = alert;
    e.Notes = {""};
}

int WriteSunJournal(const char* file) {
    std::ofstream out(file, std::ios::binary);
    out << ansi("Таблица восходов Солнца 2012 г.\r\nМосква,\r\n 55N45 37E35\r\n"
                "Временная зона: GMT+4\r\nДата  День  Восход  Заход\r\n"
                "05.03 пн 06:45 18:02\r\n05.04 чт 05:30 19:05\r\n");
    return out ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--sun-journal") return WriteSunJournal(argv[2]);
    if (argc != 2) {
        std::cerr << "usage: cli_smoke_fixture DIR | --sun-journal FILE\n";
        return 2;
    }
    TodoItems store;
    Simple(store, "Звонок", EncodeDateTime(2010, 10, 11, 12, 30), 0);  // "Не напоминать"
    Simple(store, "Врач", EncodeDateTime(2010, 10, 11, 10, 0), 4);     // "за 15 мин"
    Simple(store, "Поезд", EncodeDateTime(2010, 10, 12, 8, 0), 9);     // "за 1 день"
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const WriteResult w = SaveToFile(dir / "ListToDo.db", store, false);
    if (!w.ok) {
        std::cerr << w.error << '\n';
        return 1;
    }
    return 0;
}
