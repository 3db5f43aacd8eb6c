#include "process_events.h"

#include <linux/cn_proc.h>
#include <linux/connector.h>
#include <linux/filter.h>
#include <linux/netlink.h>
#include <sys/socket.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <optional>
#include <thread>

namespace {

// Room for bursts (a build starting hundreds of programs) while we are busy elsewhere; what
// overflows is reported as lost and made up for by a look at every process.
constexpr int kQueueBytes = 4 << 20;
// At most this many reports are taken at once, so that a storm of them still lets the watcher
// act on what it has.
constexpr int kBatchLimit = 1024;

QString errorText(const char* step)
{
    return QLatin1String(step) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

// Lets through only the reports the watcher acts on (see eventOf), so that it is not woken for
// the others (a thread started or ended, a process ended or renamed): a process forked, a program
// started, a user changed. The filter reads the fields in network order, hence the swapped
// constants.
void passOnlyStartsAndChanges(int fd)
{
    constexpr quint32 kAt = NLMSG_HDRLEN + sizeof(cn_msg);
    constexpr quint32 kWhat = kAt + offsetof(proc_event, what);
    constexpr quint32 kChildPid = kAt + offsetof(proc_event, event_data.fork.child_pid);
    constexpr quint32 kChildProcess = kAt + offsetof(proc_event, event_data.fork.child_tgid);
    enum : quint8 { pass = 9, drop = 10 };
    sock_filter program[] = {
        /* 0 */ BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kWhat),
        /* 1 */ BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, htonl(proc_event::PROC_EVENT_EXEC), pass - 2, 0),
        /* 2 */ BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, htonl(proc_event::PROC_EVENT_UID), pass - 3, 0),
        /* 3 */ BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, htonl(proc_event::PROC_EVENT_FORK), 0, drop - 4),
        // A new process, not a new thread: its first thread's number is the process's.
        /* 4 */ BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kChildProcess),
        /* 5 */ BPF_STMT(BPF_ST, 0),
        /* 6 */ BPF_STMT(BPF_LDX | BPF_W | BPF_MEM, 0),
        /* 7 */ BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kChildPid),
        /* 8 */ BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_X, 0, pass - 9, drop - 9),
        /* 9 */ BPF_STMT(BPF_RET | BPF_K, 0xffffffff),
        /* 10 */ BPF_STMT(BPF_RET | BPF_K, 0),
    };
    const sock_fprog filter{static_cast<unsigned short>(std::size(program)), program};
    ::setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &filter, sizeof filter);
}

// A socket of the current thread's network namespace that receives the process events; -1 with
// the reason in *why.
int subscribedSocket(QString* why)
{
    const int fd = ::socket(PF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_CONNECTOR);
    if (fd < 0) {
        *why = errorText("socket");
        return -1;
    }
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &kQueueBytes, sizeof kQueueBytes);
    passOnlyStartsAndChanges(fd);
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = CN_IDX_PROC;
    // The subscription: a netlink header, the connector's header, then the operation.
    const proc_cn_mcast_op operation = PROC_CN_MCAST_LISTEN;
    alignas(nlmsghdr) char request[NLMSG_SPACE(sizeof(cn_msg) + sizeof operation)]{};
    auto* header = reinterpret_cast<nlmsghdr*>(request);
    header->nlmsg_len = NLMSG_LENGTH(sizeof(cn_msg) + sizeof operation);
    header->nlmsg_type = NLMSG_DONE;
    auto* connector = static_cast<cn_msg*>(NLMSG_DATA(header));
    connector->id = {CN_IDX_PROC, CN_VAL_PROC};
    connector->len = sizeof operation;
    std::memcpy(connector->data, &operation, sizeof operation);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        *why = errorText("bind");
    } else if (::send(fd, request, header->nlmsg_len, 0) != ssize_t(header->nlmsg_len)) {
        *why = errorText("subscribe");
    } else {
        return fd;
    }
    ::close(fd);
    return -1;
}

// The kernel reports process events only to sockets of the first network namespace. A watcher
// started in another one (a test's private network) makes its socket there, from a thread of its
// own that goes there and ends, so that nothing else of ours ever leaves our namespace. The
// kernel's own threads live there, the first of them (kthreadd) as process 2; process 1 may be
// one whose namespaces we may not open. Where that is not the first one either (a process
// namespace of its own), the kernel refuses the subscription.
int subscribedSocketOfTheFirstNamespace(QString* why)
{
    int fd = -1;
    std::thread([&fd, why] {
        const int first = ::open("/proc/2/ns/net", O_RDONLY | O_CLOEXEC);
        if (first < 0 || ::setns(first, CLONE_NEWNET) != 0)
            *why = errorText("entering the first network namespace");
        else
            fd = subscribedSocket(why);
        if (first >= 0)
            ::close(first);
    }).join();
    return fd;
}

std::optional<ProcessEvents::Event> eventOf(const proc_event& event)
{
    using Kind = ProcessEvents::Event::Kind;
    switch (event.what) {
    case proc_event::PROC_EVENT_FORK: {
        const auto& fork = event.event_data.fork;
        // A new thread of a process changes nothing of where the process is.
        if (fork.child_pid != fork.child_tgid)
            return std::nullopt;
        return ProcessEvents::Event{Kind::forked, fork.child_tgid, fork.parent_tgid};
    }
    case proc_event::PROC_EVENT_EXEC:
        return ProcessEvents::Event{Kind::changed, event.event_data.exec.process_tgid};
    case proc_event::PROC_EVENT_UID:
        return ProcessEvents::Event{Kind::changed, event.event_data.id.process_tgid};
    default:
        return std::nullopt;
    }
}

// The reports one message holds.
void appendEvents(const char* buffer, int size, QList<ProcessEvents::Event>* events)
{
    int remaining = size;
    for (auto* header = reinterpret_cast<const nlmsghdr*>(buffer); NLMSG_OK(header, remaining);
         header = NLMSG_NEXT(header, remaining)) {
        const auto* message = static_cast<const cn_msg*>(NLMSG_DATA(header));
        if (header->nlmsg_len < NLMSG_LENGTH(sizeof(cn_msg) + sizeof(proc_event)) || message->id.idx != CN_IDX_PROC
            || message->id.val != CN_VAL_PROC)
            continue;
        proc_event event;
        std::memcpy(&event, message->data, sizeof event);
        if (const auto wanted = eventOf(event))
            events->append(*wanted);
    }
}

} // namespace

std::unique_ptr<ProcessEvents> ProcessEvents::listen(QString* why)
{
    int fd = subscribedSocket(why);
    if (fd < 0)
        fd = subscribedSocketOfTheFirstNamespace(why);
    return fd < 0 ? nullptr : std::unique_ptr<ProcessEvents>(new ProcessEvents(fd));
}

ProcessEvents::ProcessEvents(int socket)
    : m_socket(socket)
{
}

ProcessEvents::~ProcessEvents() { ::close(m_socket); }

ProcessEvents::Batch ProcessEvents::take()
{
    // Many reports a call: a report is one small message, and a busy machine sends thousands.
    constexpr int kAtOnce = 64;
    constexpr size_t kMessageBytes = 256;
    alignas(nlmsghdr) char buffers[kAtOnce][kMessageBytes];
    iovec vectors[kAtOnce];
    sockaddr_nl senders[kAtOnce];
    mmsghdr messages[kAtOnce];
    Batch batch;
    for (int taken = 0; taken < kBatchLimit;) {
        for (int i = 0; i < kAtOnce; ++i) {
            vectors[i] = {buffers[i], kMessageBytes};
            messages[i] = {};
            messages[i].msg_hdr.msg_iov = &vectors[i];
            messages[i].msg_hdr.msg_iovlen = 1;
            messages[i].msg_hdr.msg_name = &senders[i];
            messages[i].msg_hdr.msg_namelen = sizeof senders[i];
        }
        const int count = ::recvmmsg(m_socket, messages, kAtOnce, MSG_DONTWAIT, nullptr);
        if (count < 0 && errno == ENOBUFS) {
            batch.lost = true;
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return batch;
        for (int i = 0; i < count; ++i) {
            // Only the kernel speaks for processes.
            if (senders[i].nl_pid == 0)
                appendEvents(buffers[i], int(messages[i].msg_len), &batch.events);
        }
        taken += count;
        // Fewer than asked for: none were left.
        if (count < kAtOnce)
            return batch;
    }
    batch.more = true;
    return batch;
}
