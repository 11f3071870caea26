#include "sync/sync_status.h"

#include <utility>
#include <vector>

#include "dayview/time_left.h"

namespace {

std::string Moment(TDateTime t) { return FormatDateTime("dd.MM.yyyy HH:mm", t); }

}  // namespace

std::string SyncCountsText(const SyncCounts& c) {
    std::vector<std::string> parts;
    auto add = [&](const char* what, int n) {
        if (n > 0) parts.push_back(what + std::to_string(n));
    };
    add("отправлено: ", c.sent);
    add("получено: ", c.taken);
    add("удалено на сервере: ", c.deletedThere);
    add("удалено здесь: ", c.droppedHere);
    if (c.conflicts > 0) parts.push_back("конфликтов: " + std::to_string(c.conflicts) + " (обе версии сохранены)");
    if (parts.empty()) return "изменений не было";
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : ", ") + p;
    return out;
}

namespace {

// A tip is a line or two: a long reason (the system's own words) is cut at
// a whole character; the setup window shows all of it.
std::string Cut(const std::string& text, size_t letters) {
    size_t seen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // inside a letter
        if (seen++ == letters) return text.substr(0, i) + "…";
    }
    return text;
}

}  // namespace

bool SyncStatus::Note(TDateTime when, const SyncOutcome& outcome) {
    if (outcome.ok) {
        lastDone_ = when;
        counts_ = outcome.counts;
        firstProblem_ = outcome.firstProblem;
        countsKnown_ = true;
        failedAt_ = 0;
        error_.clear();
        told_ = false;
        return false;
    }
    failedAt_ = when;
    error_ = outcome.error.empty() ? "причина неизвестна" : outcome.error;
    return !std::exchange(told_, true);
}

std::string SyncTipText(const SyncStatus& s) {
    std::string out = s.LastDone() ? "Синхронизация: " + Moment(s.LastDone()) : "Синхронизация ещё не выполнялась";
    if (s.FailedAt()) out += "\nОшибка (" + Moment(s.FailedAt()) + "): " + Cut(s.Error(), kTipReasonLetters);
    else if (s.Counts().problems > 0) out += "\nНе прошло событий: " + std::to_string(s.Counts().problems);
    return out;
}

std::string SyncStatusText(const SyncStatus& s) {
    std::string out;
    if (s.LastDone()) {
        out = "Последняя синхронизация: " + Moment(s.LastDone()) +
              (s.CountsKnown() ? " — " + SyncCountsText(s.Counts()) : std::string()) + ".";
        if (s.Counts().problems > 0) {
            out += "\nНе прошло событий: " + std::to_string(s.Counts().problems);
            if (!s.FirstProblem().empty()) out += " (" + s.FirstProblem() + ")";
            out += "; они будут отправлены в следующий раз.";
        }
    } else {
        out = "Синхронизация ещё не выполнялась.";
    }
    if (s.FailedAt()) out += "\nОшибка (" + Moment(s.FailedAt()) + "): " + s.Error() + ".";
    return out;
}

std::string SyncFailureNotice(const SyncStatus& s) {
    return "Синхронизация с сервером не удалась: " + s.Error() +
           ".\n\nПрограмма будет пробовать снова в свой срок и не будет сообщать о каждой попытке; "
           "время и причина последней неудачи видны в подсказке значка в трее и в окне «Синхронизация».";
}

std::string SyncConflictNotice(int conflicts) {
    if (conflicts <= 0) return {};
    return "Событий, изменённых и здесь, и на сервере: " + std::to_string(conflicts) +
           ".\nПринята версия сервера, а ваша сохранена рядом как отдельное событие с пометкой «(конфликт)» "
           "в названии.";
}

std::string SyncAccountProblem(const SyncSettings& s, const std::string& addressRefusal, bool hasPassword) {
    if (s.url.empty()) return "Введите адрес сервера.";
    if (!addressRefusal.empty()) return "Адрес сервера не подходит: " + addressRefusal + ".";
    if (s.user.empty()) return "Введите имя пользователя.";
    if (!hasPassword) return "Введите пароль.";
    return {};
}

std::string SyncSetupProblem(const SyncSettings& s, const std::string& addressRefusal, bool hasPassword) {
    if (s.url.empty() && s.user.empty() && s.calendar.empty()) return {};
    if (std::string problem = SyncAccountProblem(s, addressRefusal, hasPassword); !problem.empty()) return problem;
    if (s.calendar.empty()) return "Выберите календарь: нажмите «Найти календари» и выберите его в списке.";
    return {};
}

std::string SyncPasswordKey(const SyncSettings& s) { return s.user + "@" + s.url; }

bool SameSyncCalendar(const SyncSettings& a, const SyncSettings& b) {
    return SyncPasswordKey(a) == SyncPasswordKey(b) && a.calendar == b.calendar;
}
