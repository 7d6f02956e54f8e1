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
// alone, and check it there: it must be this user's, with mode 0600 and the
// size above, or one this process has just created exclusively. Every byte
// is read and written with positioned I/O on that descriptor, never through
// a mapping: another process of the user that truncates or overwrites the
// segment without the lock can make a read come back short or wrong, which
// is reported as damage, but never a signal.
#include "eventlog_segment.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
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

constexpr const char *kDefaultName = "/pcfg_eventlog-";  // then the user id
constexpr const char *kInProcessSuffix = "-embedded";    // a card inside another program
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
constexpr mode_t kMode = 0600;
// A segment of no bytes is one being created by another process (between
// its exclusive creation and its sizing): looked at again this often.
constexpr int kCreationRetries = 3;

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

struct Naming {
    std::string override_name;  // the card's segment, for a shell connected to it
    bool shared = false;        // this process is the card every shell shares
};

Naming &naming() {
    static Naming n;
    return n;
}

struct Attachment {
    std::string name;
    bool damage_reported = false;    // a damaged segment is reported once, until cleared
    bool too_long_reported = false;  // so is a message too long to log
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

bool read_at(int fd, uint64_t off, void *dst, size_t n) {
    auto *p = static_cast<uint8_t *>(dst);
    while (n > 0) {
        const ssize_t got = pread(fd, p, n, static_cast<off_t>(off));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;  // cut short under us
        p += got;
        off += static_cast<uint64_t>(got);
        n -= static_cast<size_t>(got);
    }
    return true;
}

bool write_at(int fd, uint64_t off, const void *src, size_t n) {
    const auto *p = static_cast<const uint8_t *>(src);
    while (n > 0) {
        const ssize_t put = pwrite(fd, p, n, static_cast<off_t>(off));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        p += put;
        off += static_cast<uint64_t>(put);
        n -= static_cast<size_t>(put);
    }
    return true;
}

// What the checks found of the segment a name stands for.
enum class Found { Usable, Foreign, Failed };

// The segment, opened, locked and checked for one operation. The
// descriptor is closed with it: the process keeps no descriptor of the
// segment between operations.
class Segment {
public:
    Segment() = default;
    ~Segment() { release(); }
    Segment(const Segment &) = delete;
    Segment &operator=(const Segment &) = delete;

    // Opens the segment of the name (created exclusively when missing),
    // locks it and checks its owner, mode and size.
    Found open(const std::string &name) {
        for (int attempt = 0;; ++attempt) {
            release();
            fd_ = shm_open(name.c_str(), O_RDWR, 0);
            if (fd_ < 0 && errno == ENOENT) {
                if (create(name)) return Found::Usable;
                if (errno == EEXIST) continue;  // another process created it first
                return Found::Failed;
            }
            if (fd_ < 0) {
                report("cannot open the segment: %s", strerror(errno));
                return Found::Failed;
            }
            while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
            if (fstat(fd_, &st_) != 0) {
                report("cannot read the segment's owner and size: %s", strerror(errno));
                return Found::Failed;
            }
            if (!ours() || (st_.st_mode & 07777) != kMode) return foreign("owner or mode");
            if (st_.st_size == 0 && attempt < kCreationRetries) {
                const timespec pause{0, 1000000};
                nanosleep(&pause, nullptr);
                continue;
            }
            if (st_.st_size != static_cast<off_t>(kSegmentSize)) return foreign("size");
            return Found::Usable;
        }
    }

    bool opened() const { return fd_ >= 0; }
    // The segment is this user's: replacing it takes nothing of another's.
    bool ours() const {
        static const uid_t user = geteuid();
        return fd_ >= 0 && st_.st_uid == user;
    }

    bool read(uint64_t off, void *dst, size_t n) const { return read_at(fd_, off, dst, n); }
    bool write(uint64_t off, const void *src, size_t n) const { return write_at(fd_, off, src, n); }

    // Ring bytes, wrapping at its end.
    bool ring_read(uint64_t pos, void *dst, size_t n) const {
        const size_t off = static_cast<size_t>(pos % kCapacity);
        const size_t first = std::min<size_t>(n, kCapacity - off);
        return read(kRingOffset + off, dst, first) &&
               read(kRingOffset, static_cast<uint8_t *>(dst) + first, n - first);
    }
    bool ring_write(uint64_t pos, const void *src, size_t n) const {
        const size_t off = static_cast<size_t>(pos % kCapacity);
        const size_t first = std::min<size_t>(n, kCapacity - off);
        return write(kRingOffset + off, src, first) &&
               write(kRingOffset, static_cast<const uint8_t *>(src) + first, n - first);
    }

private:
    // Creates the segment exclusively, locked before anyone can look at
    // it, with its mode, size and an empty log.
    bool create(const std::string &name) {
        fd_ = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, kMode);
        if (fd_ < 0) {
            if (errno != EEXIST) report("cannot create the segment: %s", strerror(errno));
            return false;
        }
        while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
        const Header h = fresh_header();
        if (fchmod(fd_, kMode) != 0 || ftruncate(fd_, kSegmentSize) != 0 || !write(0, &h, sizeof h) ||
            fstat(fd_, &st_) != 0) {
            report("cannot make the new segment: %s", strerror(errno));
            release();
            return false;
        }
        return true;
    }

    Found foreign(const char *what) {
        if (what[0] == 's')
            report_damage("segment of %lld bytes, expected %u: not this platform's event log; not read",
                          static_cast<long long>(st_.st_size), kSegmentSize);
        else
            report_damage("segment of user %u with mode %04o, not this user's with mode %04o; not read",
                          static_cast<unsigned>(st_.st_uid), static_cast<unsigned>(st_.st_mode & 07777),
                          static_cast<unsigned>(kMode));
        return Found::Foreign;
    }

    // Closing the descriptor releases its lock.
    void release() {
        if (fd_ < 0) return;
        close(fd_);
        fd_ = -1;
    }

    int fd_ = -1;
    struct stat st_ {};
};

// Opens, locks and checks the segment its name stands for. False (reported)
// when it cannot be opened or is not this user's event log.
bool lock_segment(Segment &seg, bool quiet = false) {
    Attachment &a = att();
    a.name = eventlog_segment_name();
    if (!valid_name(a.name)) {
        report("not a usable shared-memory name (set %s to \"/name\")", kNameVariable);
        return false;
    }
    const bool reported = a.damage_reported;
    if (quiet) a.damage_reported = true;
    const Found found = seg.open(a.name);
    if (quiet) a.damage_reported = reported;
    return found == Found::Usable;
}

// Reads the header and checks that the log can be used; reports why not
// unless quiet. Called with the lock held.
bool usable(const Segment &seg, Header &h, bool quiet = false) {
    if (!seg.read(0, &h, sizeof h)) {
        if (!quiet) report_damage("segment cut short while read; not read");
        return false;
    }
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

uint32_t be32(const uint8_t *p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

struct Entry {
    uint32_t length;  // of the message
    uint32_t opcode;
};

// The ring as a walk over every entry reads it: the whole segment copied
// out under the lock in one read.
class RingImage {
public:
    explicit RingImage(const Segment &seg) : bytes_(kSegmentSize) {
        ok_ = seg.read(0, bytes_.data(), bytes_.size());
        if (!ok_) report_damage("segment cut short while read; not read");
    }
    bool ok() const { return ok_; }
    bool ring_read(uint64_t pos, void *dst, size_t n) const {
        const size_t off = static_cast<size_t>(pos % kCapacity);
        const size_t first = std::min<size_t>(n, kCapacity - off);
        std::memcpy(dst, bytes_.data() + kRingOffset + off, first);
        std::memcpy(static_cast<uint8_t *>(dst) + first, bytes_.data() + kRingOffset, n - first);
        return true;
    }

private:
    std::vector<uint8_t> bytes_;
    bool ok_ = false;
};

// The entry at `pos` of a ring (the segment, or its image), checked against
// the bytes held; reported when it does not fit.
template <class Ring>
std::optional<Entry> entry_at(const Ring &ring, const Header &h, uint64_t pos) {
    uint8_t head[kEntryHead + kMessageHead];
    uint32_t length = 0;
    const bool room = h.tail - pos >= sizeof head;
    if (room && !ring.ring_read(pos, head, sizeof head)) {
        report_damage("segment cut short while read; not read");
        return std::nullopt;
    }
    if (room) std::memcpy(&length, head, sizeof length);
    if (!room || length < kMessageHead || length > kMaxMessage || kEntryHead + length > h.tail - pos) {
        report_damage("record at ring position %llu has length %u, which does not fit; not read",
                      static_cast<unsigned long long>(pos), length);
        return std::nullopt;
    }
    const uint8_t *message = head + kEntryHead;
    if (be32(message + 16) != length) {
        report_damage("record at ring position %llu says it has %u bytes, holds %u; not read",
                      static_cast<unsigned long long>(pos), be32(message + 16), length);
        return std::nullopt;
    }
    return Entry{length, be32(message + 28)};
}

bool matches(const Entry &e, uint32_t opcode) { return opcode == 0 || e.opcode == opcode; }

// Every entry of the log, oldest first, to `visit(position, entry)`; false
// (reported) when one does not fit.
template <class Visit>
bool walk(const RingImage &ring, const Header &h, Visit &&visit) {
    for (uint64_t pos = h.head; pos < h.tail;) {
        const std::optional<Entry> e = entry_at(ring, h, pos);
        if (!e) return false;
        visit(pos, *e);
        pos += kEntryHead + e->length;
    }
    return true;
}

}  // namespace

void eventlog_use_segment(std::string name) { naming().override_name = std::move(name); }

void eventlog_serve_shared() { naming().shared = true; }

std::string eventlog_segment_name() {
    if (!naming().override_name.empty()) return naming().override_name;
    const char *name = getenv(kNameVariable);
    if (name != nullptr) return name;
    return kDefaultName + std::to_string(geteuid()) + (naming().shared ? "" : kInProcessSuffix);
}

bool segment_append(std::vector<uint8_t> message) {
    if (message.size() < kMessageHead || message.size() > kMaxMessage) {
        if (!att().too_long_reported)
            report("message of %zu bytes not logged (longest is %u; no such message is logged)",
                   message.size(), kMaxMessage);
        att().too_long_reported = true;
        return false;
    }
    Segment seg;
    if (!lock_segment(seg)) return false;
    Header h;
    if (!usable(seg, h)) return false;
    const uint32_t length = static_cast<uint32_t>(message.size());
    while (h.tail - h.head + kEntryHead + length > kCapacity) {  // the oldest roll off
        const std::optional<Entry> oldest = entry_at(seg, h, h.head);
        if (!oldest) return false;
        h.head += kEntryHead + oldest->length;
        --h.count;
    }
    const uint32_t seq = h.next_seq;
    h.next_seq = h.next_seq + 1 == 0 ? 1 : h.next_seq + 1;
    for (size_t i = 0; i < 4; ++i) message[12 + i] = static_cast<uint8_t>(seq >> (24 - 8 * i));
    const uint64_t at = h.tail;
    h.tail += kEntryHead + length;
    ++h.count;
    // The entry, its length word first, in one write (two where it wraps).
    const auto *word = reinterpret_cast<const uint8_t *>(&length);
    message.insert(message.begin(), word, word + kEntryHead);
    if (!seg.ring_write(at, message.data(), message.size()) || !seg.write(0, &h, sizeof h)) {
        report("cannot write the segment: %s", strerror(errno));
        return false;
    }
    return true;
}

void segment_clear() {
    att().damage_reported = false;
    {
        Segment seg;
        const bool found = lock_segment(seg, true);
        Header h;
        if (found && usable(seg, h, true)) {
            h.head = h.tail;  // positions only grow: old cursors fall behind the head
            h.count = 0;
            h.next_seq = 1;
            if (!seg.write(0, &h, sizeof h)) report("cannot write the segment: %s", strerror(errno));
            return;
        }
        // Damaged, cut short or of the wrong mode: a new segment takes its
        // name. Another user's is left alone.
        if (!seg.opened()) return;  // said why
        if (!seg.ours()) {
            report("the segment is not this user's: left as it is; name one of your own with %s",
                   kNameVariable);
            return;
        }
        shm_unlink(att().name.c_str());
    }
    Segment fresh;
    lock_segment(fresh);
}

std::optional<uint64_t> segment_open_for_reading() {
    Segment seg;
    if (!lock_segment(seg)) return std::nullopt;
    Header h;
    if (!usable(seg, h)) return std::nullopt;
    const RingImage ring(seg);
    uint32_t found = 0;
    if (!ring.ok() || !walk(ring, h, [&](uint64_t, const Entry &) { ++found; })) return std::nullopt;
    if (found != h.count) {
        report_damage("holds %u records where its header says %u; not read", found, h.count);
        return std::nullopt;
    }
    return h.head;
}

SegmentRead segment_read(uint64_t &cursor, uint32_t opcode, std::vector<uint8_t> &out,
                         bool &more) {
    Segment seg;
    if (!lock_segment(seg)) return SegmentRead::Unusable;
    Header h;
    if (!usable(seg, h)) return SegmentRead::Unusable;
    uint64_t pos = cursor < h.head || cursor > h.tail ? h.head : cursor;
    std::optional<Entry> e;
    for (; pos < h.tail; pos += kEntryHead + e->length) {
        e = entry_at(seg, h, pos);
        if (!e) return SegmentRead::Unusable;
        if (matches(*e, opcode)) break;
    }
    if (pos >= h.tail) {
        cursor = h.tail;
        return SegmentRead::NoneLeft;
    }
    out.resize(e->length);
    if (!seg.ring_read(pos + kEntryHead, out.data(), e->length)) {
        report_damage("segment cut short while read; not read");
        return SegmentRead::Unusable;
    }

    // Look ahead for another such message; the next read starts there.
    uint64_t next = pos + kEntryHead + e->length;
    for (; next < h.tail; next += kEntryHead + e->length) {
        e = entry_at(seg, h, next);
        if (!e) return SegmentRead::Unusable;
        if (matches(*e, opcode)) break;
    }
    more = next < h.tail;
    cursor = next;
    return SegmentRead::Found;
}

bool segment_empty() {
    Segment seg;
    if (!lock_segment(seg)) return true;
    Header h;
    return !usable(seg, h) || h.count == 0;
}

bool segment_usable() {
    Segment seg;
    Header h;
    return lock_segment(seg, true) && usable(seg, h, true);
}

std::vector<std::vector<uint8_t>> segment_messages() {
    std::vector<std::vector<uint8_t>> out;
    Segment seg;
    if (!lock_segment(seg)) return out;
    Header h;
    if (!usable(seg, h)) return out;
    const RingImage ring(seg);
    const bool whole = ring.ok() && walk(ring, h, [&](uint64_t pos, const Entry &e) {
        std::vector<uint8_t> message(e.length);
        ring.ring_read(pos + kEntryHead, message.data(), e.length);
        out.push_back(std::move(message));
    });
    if (!whole) out.clear();
    return out;
}

}  // namespace pcfg_sim::card
