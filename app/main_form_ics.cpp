// TMainForm's iCalendar import: a file of another calendar program, read a
// block at a time, its events added through the main window's one change path.
#include <QDir>

#include "app/environment.h"
#include "app/main_form.h"
#include "import/change_summary.h"
#include "import/ics.h"
#include "import/import_batch.h"

void TMainForm::pmImportICalendar1Click() {
    const QString file = env_.ChooseOpenFile(this, QStringLiteral("Импорт iCalendar"), QDir::homePath(),
                                             QStringLiteral("iCalendar (*.ics *.ical *.ifb);;Все файлы (*)"));
    if (file.isEmpty()) return;
    IcsRun run = ReadICalendarFile(std::filesystem::path(file.toStdU16String()), ClockZone());
    if (!run.ok) {
        env_.ShowMessage(this, QString::fromUtf8(run.Message.c_str()));
        return;
    }
    std::string skipped;
    for (const IcsSkipped& s : run.Skipped) skipped += "\n" + SkippedText(s);
    const ChangeSummary added = MergeImport(*doc_, BatchOf(std::move(run)));
    std::string text = SummaryText(added);
    if (!skipped.empty()) text += "\nНе прочитаны:" + skipped;
    env_.ShowInfo(this, QString::fromStdString(text));
}
