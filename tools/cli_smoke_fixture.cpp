// Writes the event file the dayloom-cli smoke test reads: DIR/ListToDo.db.
#include <filesystem>
#include <iostream>

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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: cli_smoke_fixture DIR\n";
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
