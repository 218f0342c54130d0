#include "terminal.h"

#include <QEventLoop>
#include <QSocketNotifier>

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace porv::cli {

namespace {

// The terminal's settings while the PIN is read without echo, for a signal
// that ends the program meanwhile.
struct termios g_savedTerminal;

void RestoreTerminalAndEnd(int signal)
{
    ::tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The interruption's two ends: the handler writes, the event queue reads.
int g_interruptPipe[2] = {-1, -1};

void NoteInterruption(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_interruptPipe[1], &c, 1);
}

const int kInterruptingSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previousInterrupting[std::size(kInterruptingSignals)];

// One line from the descriptor, a byte at a time so that nothing after it is
// taken; at most 1024 bytes of it are kept. Nothing at the end of input.
std::optional<QByteArray> ReadOneLine(int fd)
{
    QByteArray line;
    bool ended = false;
    for (;;) {
        char c;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ended = true;
            break;
        }
        if (c == '\n')
            break;
        if (line.size() < 1024)
            line.append(c);
    }
    if (line.endsWith('\r'))
        line.chop(1);
    if (ended && line.isEmpty())
        return std::nullopt;
    return line;
}

} // namespace

Interruption::Interruption()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_interruptPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_interruptPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(g_interruptPipe[0], &c, 1);
        m_happened = true;
        emit interrupted();
    });
    struct sigaction note = {};
    note.sa_handler = NoteInterruption;
    sigemptyset(&note.sa_mask);
    note.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kInterruptingSignals); ++i)
        ::sigaction(kInterruptingSignals[i], &note, &g_previousInterrupting[i]);
}

Interruption::~Interruption()
{
    if (g_interruptPipe[0] < 0)
        return;
    for (size_t i = 0; i < std::size(kInterruptingSignals); ++i)
        ::sigaction(kInterruptingSignals[i], &g_previousInterrupting[i], nullptr);
    ::close(g_interruptPipe[0]);
    ::close(g_interruptPipe[1]);
    g_interruptPipe[0] = g_interruptPipe[1] = -1;
}

bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void WriteError(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

std::optional<QByteArray> ReadHiddenLine(const QString &prompt)
{
    const bool terminal = ::tcgetattr(STDIN_FILENO, &g_savedTerminal) == 0;
    struct sigaction previous[std::size(kEndingSignals)];
    if (terminal) {
        struct sigaction restore = {};
        restore.sa_handler = RestoreTerminalAndEnd;
        sigemptyset(&restore.sa_mask);
        for (size_t i = 0; i < std::size(kEndingSignals); ++i)
            ::sigaction(kEndingSignals[i], &restore, &previous[i]);
        struct termios hidden = g_savedTerminal;
        hidden.c_lflag &= ~tcflag_t(ECHO);
        hidden.c_lflag |= ICANON;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    }
    // Asked once nothing typed from now on can be shown.
    WriteError(prompt);
    const std::optional<QByteArray> line = ReadOneLine(STDIN_FILENO);
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
        for (size_t i = 0; i < std::size(kEndingSignals); ++i)
            ::sigaction(kEndingSignals[i], &previous[i], nullptr);
    }
    // The Enter that was not shown.
    WriteError(QStringLiteral("\n"));
    return line;
}

std::optional<QByteArray> ReadInputLine() { return ReadOneLine(STDIN_FILENO); }

OwnerOnlyLine ReadOwnerOnlyLine(const QString &path)
{
    OwnerOnlyLine read;
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        read.problem = QString::fromLocal8Bit(std::strerror(errno));
        return read;
    }
    // The file that was opened is the one looked at: no other can be put in
    // its place between the look and the read.
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        read.problem = QStringLiteral("not a file");
    } else if (st.st_mode & (S_IRGRP | S_IROTH)) {
        read.othersCanRead = true;
    } else {
        const int flags = ::fcntl(fd, F_GETFL);
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        read.line = ReadOneLine(fd).value_or(QByteArray());
    }
    ::close(fd);
    return read;
}

std::optional<QByteArray> ReadLineProcessingEvents(Interruption *interruption)
{
    QByteArray line;
    bool ended = false;
    QEventLoop loop;
    if (interruption) {
        if (interruption->happened())
            return std::nullopt;
        QObject::connect(interruption, &Interruption::interrupted, &loop, [&] {
            ended = true;
            line.clear();
            loop.quit();
        });
    }
    QSocketNotifier notifier(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            return;
        if (n <= 0) {
            ended = true;
            loop.quit();
            return;
        }
        line.append(buffer, int(n));
        if (line.contains('\n'))
            loop.quit();
    });
    loop.exec();
    notifier.setEnabled(false);
    const int end = int(line.indexOf('\n'));
    if (end >= 0)
        line.truncate(end);
    if (line.endsWith('\r'))
        line.chop(1);
    if (ended && line.isEmpty())
        return std::nullopt;
    return line;
}

} // namespace porv::cli
