// The event log's shared-memory segment: a header and a ring of messages.
//
// Segment (host byte order; private to this platform), 1 MiB:
//    0  u32  magic        0x50434C47 "PCLG"
//    4  u32  version      1
//    8  u32  size         whole segment in bytes
//   12  u32  ring_offset  64
//   16  u32  capacity     ring bytes (size - 64)
//   20  u32  next_seq     sequence number of the next message
//   24  u64  head         ring position of the oldest entry
//   32  u64  tail         ring position after the newest entry
//   40  u32  count        entries held
//   44  ...  zero
//   64  ring
// Ring positions count bytes ever written; an entry at position p starts at
// ring byte p % capacity and may wrap. Entry: u32 length L (host order),
// then the L bytes of a logged message whose own big-endian length field
// (message bytes 16..19) is L as well.
//
// Writers and readers of all processes take an exclusive flock on the
// segment for each operation, on a descriptor opened for that operation
// alone (the mapping needs none). A reader copies the message out under the
// lock, so what it hands on stays stable whatever writers do next.
#include "eventlog_segment.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace pcfg_sim::card {
namespace {

constexpr const char *kDefaultName = "/pcfg_eventlog";
constexpr const char *kNameVariable = "PCFG_SIM_EVENTLOG";
constexpr size_t kMaxNameLength = 255;

constexpr uint32_t kMagic = 0x50434C47u;
constexpr uint32_t kVersion = 1;
constexpr uint32_t kSegmentSize = 1u << 20;
constexpr uint32_t kRingOffset = 64;
constexpr uint32_t kCapacity = kSegmentSize - kRingOffset;
constexpr uint32_t kEntryHead = 4;    // the entry's length word
constexpr uint32_t kMessageHead = 48; // a logged message's header
constexpr uint32_t kMaxMessage = 64u * 1024u;

struct Header {
    uint32_t magic;
    uint32_t version;
    uint32_t size;
    uint32_t ring_offset;
    uint32_t capacity;
    uint32_t next_seq;
    uint64_t head;
    uint64_t tail;
    uint32_t count;
    uint32_t reserved[5];
};
static_assert(sizeof(Header) == kRingOffset, "the header fills the bytes before the ring");

std::string &segment_override() {
    static std::string name;
    return name;
}

struct Attachment {
    std::string name;
    uint8_t *map = nullptr;  // kSegmentSize bytes; null while unmapped or of the wrong size
    dev_t dev = 0;           // the mapped segment, told apart from a newer one of its name
    ino_t ino = 0;
    bool damage_reported = false;  // a damaged segment is reported once, until cleared
};

Attachment &att() {
    static Attachment a;
    return a;
}

__attribute__((format(printf, 1, 2))) void report(const char *fmt, ...) {
    char text[256];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    fprintf(stderr, "event log %s: %s\n", att().name.c_str(), text);
}

// A segment that cannot be used is reported once, with the way out.
__attribute__((format(printf, 1, 2))) void report_damage(const char *fmt, ...) {
    if (att().damage_reported) return;
    att().damage_reported = true;
    char text[256];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    fprintf(stderr, "event log %s: %s; \"clear event-log\" starts a new log\n",
            att().name.c_str(), text);
}

bool valid_name(const std::string &name) {
    return name.size() >= 2 && name.size() <= kMaxNameLength && name[0] == '/' &&
           name.find('/', 1) == std::string::npos;
}

// The segment's exclusive lock, held for one operation. The descriptor is
// opened for the lock alone and closed with it: the process keeps no
// descriptor of the segment between operations.
class Lock {
public:
    explicit Lock(const std::string &name, int flags = O_RDWR) {
        fd_ = shm_open(name.c_str(), flags, 0600);
        if (fd_ < 0) return;
        while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~Lock() {
        if (fd_ < 0) return;
        flock(fd_, LOCK_UN);
        close(fd_);
    }
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;

    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

uint8_t *ring() { return att().map + kRingOffset; }

void ring_read(uint64_t pos, void *dst, size_t n) {
    const size_t off = static_cast<size_t>(pos % kCapacity);
    const size_t first = std::min<size_t>(n, kCapacity - off);
    std::memcpy(dst, ring() + off, first);
    std::memcpy(static_cast<uint8_t *>(dst) + first, ring(), n - first);
}

void ring_write(uint64_t pos, const void *src, size_t n) {
    const size_t off = static_cast<size_t>(pos % kCapacity);
    const size_t first = std::min<size_t>(n, kCapacity - off);
    std::memcpy(ring() + off, src, first);
    std::memcpy(ring(), static_cast<const uint8_t *>(src) + first, n - first);
}

uint32_t be32(const uint8_t *p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

Header fresh_header() {
    Header h{};
    h.magic = kMagic;
    h.version = kVersion;
    h.size = kSegmentSize;
    h.ring_offset = kRingOffset;
    h.capacity = kCapacity;
    h.next_seq = 1;
    return h;
}

void store(const Header &h) { std::memcpy(att().map, &h, sizeof h); }

void detach() {
    Attachment &a = att();
    if (a.map != nullptr) munmap(a.map, kSegmentSize);
    a.map = nullptr;
    a.dev = 0;
    a.ino = 0;
}

// True when the locked descriptor is the segment that is mapped.
bool is_mapped(int fd) {
    struct stat st {};
    return att().map != nullptr && fstat(fd, &st) == 0 && st.st_dev == att().dev &&
           st.st_ino == att().ino;
}

// Maps the segment the name stands for, creating and formatting it when it
// is new (empty); a segment of another size stays unmapped (foreign).
// Called with the lock held on `fd`.
void map_segment(int fd) {
    Attachment &a = att();
    detach();
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        report("cannot read the segment's size: %s", strerror(errno));
        return;
    }
    const bool fresh = st.st_size == 0;
    if (fresh && ftruncate(fd, kSegmentSize) != 0) {
        report("cannot size the new segment: %s", strerror(errno));
        return;
    }
    if (!fresh && st.st_size != static_cast<off_t>(kSegmentSize)) return;  // foreign
    void *map = mmap(nullptr, kSegmentSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) {
        report("cannot map the segment: %s", strerror(errno));
        return;
    }
    a.map = static_cast<uint8_t *>(map);
    a.dev = st.st_dev;
    a.ino = st.st_ino;
    if (fresh) store(fresh_header());
}

// Locks the segment its name stands for (created when missing) and maps it
// when that is not the one mapped (it may have been replaced by another
// process clearing a damaged log). False (reported) when it cannot be opened.
bool lock_segment(std::optional<Lock> &lock) {
    Attachment &a = att();
    a.name = eventlog_segment_name();
    if (!valid_name(a.name)) {
        report("not a usable shared-memory name (set %s to \"/name\")", kNameVariable);
        return false;
    }
    lock.emplace(a.name, O_RDWR | O_CREAT);
    if (lock->fd() < 0) {
        report("cannot open the segment: %s", strerror(errno));
        lock.reset();
        return false;
    }
    if (!is_mapped(lock->fd())) map_segment(lock->fd());
    return true;
}

// Copies the header out and checks that the segment can be used; reports
// why not unless quiet. Called with the lock held.
bool usable(const Lock &lock, Header &h, bool quiet = false) {
    Attachment &a = att();
    struct stat st {};
    if (fstat(lock.fd(), &st) != 0 || st.st_size != static_cast<off_t>(kSegmentSize) ||
        a.map == nullptr) {
        if (!quiet)
            report_damage("segment of %lld bytes, expected %u: not this platform's event log; not read",
                   static_cast<long long>(st.st_size), kSegmentSize);
        return false;
    }
    std::memcpy(&h, a.map, sizeof h);
    const char *why = nullptr;
    if (h.magic != kMagic)
        why = "not an event log (bad magic)";
    else if (h.version != kVersion)
        why = "event log of another version";
    else if (h.size != kSegmentSize || h.ring_offset != kRingOffset || h.capacity != kCapacity)
        why = "damaged header (size, ring offset or capacity)";
    else if (h.tail < h.head || h.tail - h.head > kCapacity)
        why = "damaged header (ring positions out of range)";
    else if ((h.count == 0) != (h.tail == h.head) ||
             uint64_t{h.count} * (kEntryHead + kMessageHead) > h.tail - h.head)
        why = "damaged header (record count does not match the bytes held)";
    if (why == nullptr) return true;
    if (!quiet)
        report_damage("%s: magic 0x%08x version %u head %llu tail %llu count %u; not read", why,
               h.magic, h.version, static_cast<unsigned long long>(h.head),
               static_cast<unsigned long long>(h.tail), h.count);
    return false;
}

struct Entry {
    uint32_t length;  // of the message
    uint32_t opcode;
};

// The entry at `pos`, checked against the bytes held; reported when it does
// not fit.
std::optional<Entry> entry_at(const Header &h, uint64_t pos) {
    uint32_t length = 0;
    uint8_t head[kMessageHead];
    if (h.tail - pos >= kEntryHead) ring_read(pos, &length, sizeof length);
    if (h.tail - pos < kEntryHead || length < kMessageHead || length > kMaxMessage ||
        kEntryHead + length > h.tail - pos) {
        report_damage("record at ring position %llu has length %u, which does not fit; not read",
               static_cast<unsigned long long>(pos), length);
        return std::nullopt;
    }
    ring_read(pos + kEntryHead, head, sizeof head);
    if (be32(head + 16) != length) {
        report_damage("record at ring position %llu says it has %u bytes, holds %u; not read",
               static_cast<unsigned long long>(pos), be32(head + 16), length);
        return std::nullopt;
    }
    return Entry{length, be32(head + 28)};
}

bool matches(const Entry &e, uint32_t opcode) { return opcode == 0 || e.opcode == opcode; }

}  // namespace

void eventlog_use_segment(std::string name) { segment_override() = std::move(name); }

std::string eventlog_segment_name() {
    if (!segment_override().empty()) return segment_override();
    const char *name = getenv(kNameVariable);
    return name != nullptr ? name : kDefaultName;
}

bool segment_append(std::vector<uint8_t> message) {
    if (message.size() < kMessageHead || message.size() > kMaxMessage) {
        report("message of %zu bytes not logged (longest is %u)", message.size(), kMaxMessage);
        return false;
    }
    std::optional<Lock> lock;
    if (!lock_segment(lock)) return false;
    Header h;
    if (!usable(*lock, h)) return false;
    const uint32_t length = static_cast<uint32_t>(message.size());
    while (h.tail - h.head + kEntryHead + length > kCapacity) {  // the oldest roll off
        const std::optional<Entry> oldest = entry_at(h, h.head);
        if (!oldest) return false;
        h.head += kEntryHead + oldest->length;
        --h.count;
    }
    const uint32_t seq = h.next_seq;
    h.next_seq = h.next_seq + 1 == 0 ? 1 : h.next_seq + 1;
    for (size_t i = 0; i < 4; ++i) message[12 + i] = static_cast<uint8_t>(seq >> (24 - 8 * i));
    ring_write(h.tail, &length, sizeof length);
    ring_write(h.tail + kEntryHead, message.data(), length);
    h.tail += kEntryHead + length;
    ++h.count;
    store(h);
    return true;
}

void segment_clear() {
    att().damage_reported = false;
    {
        std::optional<Lock> lock;
        if (!lock_segment(lock)) return;
        Header h;
        if (usable(*lock, h, true)) {
            h.head = h.tail;  // positions only grow: old cursors fall behind the head
            h.count = 0;
            h.next_seq = 1;
            store(h);
            return;
        }
        // Damaged or foreign: a new segment takes its name.
        detach();
        shm_unlink(att().name.c_str());
    }
    std::optional<Lock> fresh;
    lock_segment(fresh);
}

std::optional<uint64_t> segment_open_for_reading() {
    std::optional<Lock> lock;
    if (!lock_segment(lock)) return std::nullopt;
    Header h;
    if (!usable(*lock, h)) return std::nullopt;
    uint32_t found = 0;
    for (uint64_t pos = h.head; pos < h.tail; ++found) {
        const std::optional<Entry> e = entry_at(h, pos);
        if (!e) return std::nullopt;
        pos += kEntryHead + e->length;
    }
    if (found != h.count) {
        report_damage("holds %u records where its header says %u; not read", found, h.count);
        return std::nullopt;
    }
    return h.head;
}

SegmentRead segment_read(uint64_t &cursor, uint32_t opcode, std::vector<uint8_t> &out,
                         bool &more) {
    std::optional<Lock> lock;
    if (!lock_segment(lock)) return SegmentRead::Unusable;
    Header h;
    if (!usable(*lock, h)) return SegmentRead::Unusable;
    uint64_t pos = cursor < h.head || cursor > h.tail ? h.head : cursor;
    std::optional<Entry> e;
    for (; pos < h.tail; pos += kEntryHead + e->length) {
        e = entry_at(h, pos);
        if (!e) return SegmentRead::Unusable;
        if (matches(*e, opcode)) break;
    }
    if (pos >= h.tail) {
        cursor = h.tail;
        return SegmentRead::NoneLeft;
    }
    out.resize(e->length);
    ring_read(pos + kEntryHead, out.data(), e->length);

    // Look ahead for another such message; the next read starts there.
    uint64_t next = pos + kEntryHead + e->length;
    for (; next < h.tail; next += kEntryHead + e->length) {
        e = entry_at(h, next);
        if (!e) return SegmentRead::Unusable;
        if (matches(*e, opcode)) break;
    }
    more = next < h.tail;
    cursor = next;
    return SegmentRead::Found;
}

bool segment_empty() {
    std::optional<Lock> lock;
    if (!lock_segment(lock)) return true;
    Header h;
    return !usable(*lock, h) || h.count == 0;
}

bool segment_usable() {
    std::optional<Lock> lock;
    Header h;
    return lock_segment(lock) && usable(*lock, h, true);
}

std::vector<std::vector<uint8_t>> segment_messages() {
    std::vector<std::vector<uint8_t>> out;
    std::optional<Lock> lock;
    if (!lock_segment(lock)) return out;
    Header h;
    if (!usable(*lock, h)) return out;
    for (uint64_t pos = h.head; pos < h.tail;) {
        const std::optional<Entry> e = entry_at(h, pos);
        if (!e) return {};
        std::vector<uint8_t> message(e->length);
        ring_read(pos + kEntryHead, message.data(), e->length);
        out.push_back(std::move(message));
        pos += kEntryHead + e->length;
    }
    return out;
}

}  // namespace pcfg_sim::card
