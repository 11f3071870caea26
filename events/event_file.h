#pragma once
// The binary event file ListToDo.db: a count of records, each a list of
// tagged fields (identifier byte, 16-bit length, value).
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "events/safe_file.h"
#include "events/todo_item.h"

constexpr size_t kMaxFieldText = 65535;  // the most a 16-bit length can announce

// The import mark (TTodoItem::Imported): a 16th field of one byte, written
// only for imported events. Readers that do not know it skip it as an unknown
// field, and files of the user's own events keep their bytes as they were.
constexpr uint8_t kImportMarkField = 200;
// What another calendar program said of an event that came from it
// (TForeignEvent::Text, UTF-8): fields 201 after the import mark, written only
// for such events, the text cut into as many as its length needs and read
// as their bytes joined. Older readers skip them; the Windows-1251 fields
// before them hold the best rendering those readers can show.
constexpr uint8_t kForeignField = 201;
// The UID a calendar server knows the event by when it is not its calendar's
// own (TTodoItem::SyncUid): one field 202 after those, written only for
// events that were synced.
constexpr uint8_t kSyncUidField = 202;
constexpr size_t kMaxSyncUid = 1024;

struct LoadReport {
    enum class Status { Ok, Missing, Unreadable, Damaged };
    Status status = Status::Ok;
    int announced = 0;  // records the file announced (N)
    int loaded = 0;     // complete records taken
    std::string problem;  // first damage found (for the user; Russian)
    bool damaged() const { return status == Status::Damaged; }
};

// Parses a whole file image into `items` (replacing them). Every complete
// record is taken; anything the file cannot back (a short file, an
// implausible count, a fixed field with a wrong length) is reported as damage.
LoadReport LoadFromBytes(std::string_view data, TodoItems& items);
// Reads the file a chunk at a time straight into `items`, so the file is
// never held whole beside them.
// With `recordHashes`, each record's RecordHash of the bytes it was read from,
// in file order. A file the memory cannot hold is Unreadable.
LoadReport LoadFromFile(const std::filesystem::path& path, TodoItems& items,
                        std::vector<uint64_t>* recordHashes = nullptr);
// Reads the file record by record without keeping the records. `want` sees
// each whole record first as a light one: only the dates, ImageIndex,
// Complete and the count, unit and mask texts are read, every other field
// holds its default. For the records it wants, `take` sees the record in
// full, as LoadFromFile holds it; the others' texts are never decoded. The
// report is the one LoadFromFile gives for the same file, except for a file
// of more tiny records than the load would hold in memory: the scan, which
// keeps none, reads on.
LoadReport ScanEventFile(const std::filesystem::path& path,
                         const std::function<bool(const TTodoItem&)>& want,
                         const std::function<void(const TTodoItem&)>& take);

// The file read twice through one open file, so that a writer putting a new
// file in its place meanwhile changes neither reading. The first checks the
// whole file as ScanEventFile does and shows `foreign` each event of another
// calendar in full; after a first reading that found the file whole, the
// second hands every record over in full, in file order, none kept.
class EventFileStream {
public:
    EventFileStream();
    ~EventFileStream();
    LoadReport Open(const std::filesystem::path& path, const std::function<void(const TTodoItem&)>& foreign);
    // The next record into `item`; false at the end, or when the file no
    // longer reads as it did (problem() says why).
    bool Next(TTodoItem& item);
    int Count() const;  // records in the file
    const std::string& problem() const;

private:
    struct State;
    std::unique_ptr<State> s_;
};

// The file image of the items. Texts longer than 65,535 bytes are cut there,
// so every length written matches the bytes that follow.
std::string SaveToBytes(const TodoItems& items);
WriteResult SaveToFile(const std::filesystem::path& path, const TodoItems& items,
                       bool sync = true);
// The first step of SaveToFile: the items in a temporary beside the file,
// for CommitWrite to put in its place; with `recordHashes`, each written
// record's RecordHash in order.
// With `stop`, the writing looks at it between chunks and, once it is set,
// discards the temporary and says `stopped`.
WriteResult PrepareEventFile(const std::filesystem::path& path, const TodoItems& items, PreparedWrite& prepared,
                             std::vector<uint64_t>* recordHashes = nullptr, LinkPolicy links = LinkPolicy::Follow,
                             const std::atomic<bool>* stop = nullptr);

// One record told from another by its bytes in the file: a record read and
// written back unchanged gives the same value both times.
uint64_t RecordHash(std::string_view recordBytes);
uint64_t RecordHash(const TTodoItem& item);
