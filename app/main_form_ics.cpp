// TMainForm's iCalendar import: a file of another calendar program, read a
// block at a time, its events added through the main window's one change path.
#include <QDir>
#include <QLabel>
#include <QThreadPool>

#include <memory>

#include "app/day_panel.h"
#include "app/environment.h"
#include "app/main_form.h"
#include "import/change_summary.h"
#include "import/ics.h"
#include "import/import_batch.h"

void TMainForm::pmImportICalendar1Click() {
    const QString file = env_.ChooseOpenFile(this, QStringLiteral("Импорт iCalendar"), QDir::homePath(),
                                             QStringLiteral("iCalendar (*.ics *.ical *.ifb);;Все файлы (*)"));
    if (file.isEmpty()) return;
    // A calendar of hundreds of megabytes takes seconds to read: it is read
    // on a thread of its own while the window goes on, and its events join
    // the document here when it is done.
    pmImportICalendar1->setEnabled(false);
    panel_->ShowNotice(QStringLiteral("Чтение календаря…"));
    icsStop_ = false;
    icsReader_->start([this, path = std::filesystem::path(file.toStdU16String()), zone = ClockZone()] {
        auto run = std::make_shared<IcsRun>(ReadICalendarFile(path, zone, kIcsBlockBytes, &icsStop_));
        QMetaObject::invokeMethod(this, [this, run] { IcsRead(std::move(*run)); }, Qt::QueuedConnection);
    });
}

void TMainForm::IcsRead(IcsRun run) {
    pmImportICalendar1->setEnabled(true);
    panel_->Notice()->hide();
    if (icsStop_) return;
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

void TMainForm::StopIcsReading() {
    icsStop_ = true;
    if (icsReader_) icsReader_->waitForDone();
}
