// TMainForm's iCalendar import: a file of another calendar program, read
// whole, its events added through the main window's one change path.
#include <QDateTime>
#include <QDir>
#include <QTimeZone>

#include "app/environment.h"
#include "app/main_form.h"
#include "import/change_summary.h"
#include "import/ics.h"
#include "import/import_batch.h"

namespace {

// The computer's zone, which the day list's wall clock times belong to.
IcsZone ClockZone() {
    const QTimeZone zone = QTimeZone::systemTimeZone();
    return {zone.id().toStdString(), [zone](int64_t utc) {
                return zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(utc, Qt::UTC));
            }};
}

}  // namespace

void TMainForm::pmImportICalendar1Click() {
    const QString file = env_.ChooseOpenFile(this, QStringLiteral("Импорт iCalendar"), QDir::homePath(),
                                             QStringLiteral("iCalendar (*.ics *.ical *.ifb);;Все файлы (*)"));
    if (file.isEmpty()) return;
    IcsRun run = ReadICalendarFile(std::filesystem::path(file.toStdU16String()), ClockZone());
    if (!run.ok) {
        env_.ShowMessage(this, QString::fromUtf8(run.Message.c_str()));
        return;
    }
    const ChangeSummary added = MergeImport(*doc_, BatchOf(std::move(run)));
    env_.ShowInfo(this, QString::fromStdString(SummaryText(added)));
}
