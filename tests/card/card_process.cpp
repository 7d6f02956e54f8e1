#include "card_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "support/read_until.h"

namespace pcfg_card_test {
namespace {

std::string slurp(const std::string &path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

int decode_status(int st) {
    if (WIFEXITED(st)) return WEXITSTATUS(st);
    if (WIFSIGNALED(st)) return 128 + WTERMSIG(st);
    return -1;
}

[[noreturn]] void exec_child(const std::vector<std::string> &argv, const std::vector<std::string> &env) {
    for (const std::string &e : env) putenv(const_cast<char *>(e.c_str()));
    std::vector<char *> args;
    for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

}  // namespace

namespace {
// PCFG_TEST_PROGRAMS names a folder with other builds of both programs (the
// PowerPC ones, run by the kernel through qemu-ppc).
std::string program(const char *name, const char *built) {
    const char *folder = getenv("PCFG_TEST_PROGRAMS");
    return folder != nullptr && folder[0] != '\0' ? std::string(folder) + "/" + name : built;
}
}  // namespace

std::string pcfg_program() { return program("pcfg", PCFG_PROGRAM); }
std::string card_program() { return program("pcfg-card", PCFG_CARD_PROGRAM); }

Child::Child(const std::vector<std::string> &argv, const std::vector<std::string> &env, Io io) {
    if (io == Io::Terminal) {
        pid_ = forkpty(&out_, nullptr, nullptr, nullptr);
        if (pid_ < 0) abort();
        if (pid_ == 0) {
            putenv(const_cast<char *>("TERM=dumb"));
            putenv(const_cast<char *>("HOME=/dev/null"));  // no folder: no history kept
            exec_child(argv, env);
        }
        in_ = dup(out_);
        return;
    }
    char err_template[] = "/tmp/pcfg-card-test-err-XXXXXX";
    const int err_fd = mkstemp(err_template);
    err_path_ = err_template;
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) abort();
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err_fd, 2);
        exec_child(argv, env);
    }
    close(err_fd);
    close(in[0]);
    close(out[1]);
    in_ = in[1];
    out_ = out[0];
}

Child::~Child() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (in_ >= 0) close(in_);
    if (out_ >= 0) close(out_);
    unlink(err_path_.c_str());
}

void Child::write_input(const std::string &text) {
    if (write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) abort();
}

void Child::close_input() {
    if (in_ >= 0) close(in_);
    in_ = -1;
}

bool Child::read_until(const std::string &text, int seconds) {
    return pcfg_test::read_until(out_, out_text_, std::chrono::seconds(seconds),
                                 [&](const std::string &s) { return s.find(text) != std::string::npos; });
}

bool Child::await_line_editor(int seconds) {
    const auto give_up = time(nullptr) + seconds;
    termios t{};
    while (tcgetattr(out_, &t) == 0 && (t.c_lflag & ICANON) != 0) {
        if (time(nullptr) > give_up) return false;
        usleep(10000);
    }
    return true;
}

Finished Child::finish(int seconds) {
    close_input();
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    pcfg_test::read_until(out_, out_text_, std::chrono::seconds(seconds), [](const std::string &) { return false; });
    if (std::chrono::steady_clock::now() >= give_up) kill(pid_, SIGKILL);  // its output never ended
    int st = 0;
    waitpid(pid_, &st, 0);
    pid_ = -1;
    return {out_text_, slurp(err_path_), decode_status(st)};
}

std::string Child::err_so_far() const { return slurp(err_path_); }

void Child::kill_now(int sig) {
    if (pid_ > 0) kill(pid_, sig);
}

Card::Card(const std::vector<std::string> &card_env, const std::vector<std::string> &prefix, int owner) {
    char dir_template[] = "/tmp/pcfg-card-test-XXXXXX";
    dir_ = mkdtemp(dir_template);
    if (owner >= 0 && chown(dir_.c_str(), static_cast<uid_t>(owner), static_cast<gid_t>(owner)) != 0) abort();
    socket_ = dir_ + "/card";
    env_ = {"PCFG_CARD=" + socket_,
            "PCFG_SIM_EVENTLOG=/pcfg-card-test-" + std::to_string(getpid()) + "-" +
                dir_.substr(dir_.size() - 6),
            "TZ=UTC0", "LC_ALL=C"};
    card_env_ = env_;
    card_env_.insert(card_env_.end(), card_env.begin(), card_env.end());
    card_argv_ = prefix;
    card_argv_.push_back(card_program());
    start();
}

void Card::start() {
    card_ = std::make_unique<Child>(card_argv_, card_env_);
    // Its socket exists once bound; the line comes once it listens.
    for (int i = 0; i < 1000 && card_->err_so_far().find("listening on") == std::string::npos; ++i)
        usleep(10000);
}

void Card::kill() {
    kill_now();
    card_->finish(10);
    card_.reset();
}

void Card::start_again() {
    unlink(socket_.c_str());  // left by the killed card: the new one's shows it listens
    start();
}

std::string Card::segment() const { return env_[1].substr(env_[1].find('=') + 1); }

long Card::cpu_ticks() const {
    std::ifstream f("/proc/" + std::to_string(pid()) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14) ticks += std::atol(field.c_str());  // utime, stime
    return ticks;
}

Card::~Card() {
    if (card_) terminate();
    shm_unlink(segment().c_str());
    unlink(socket_.c_str());  // left by a card that was killed
    unlink((socket_ + ".lock").c_str());
    rmdir(dir_.c_str());
}

long Card::resident_kb() const {
    std::ifstream f("/proc/" + std::to_string(pid()) + "/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

Finished Card::terminate() {
    card_->kill_now(SIGTERM);
    Finished r = card_->finish(10);
    card_.reset();
    return r;
}

namespace {
// The arguments, then "-c <command>" for each command.
std::vector<std::string> with_commands(std::vector<std::string> args, const std::vector<std::string> &commands) {
    for (const std::string &c : commands) args.insert(args.end(), {"-c", c});
    return args;
}
}  // namespace

Finished Card::pcfg_c(const std::vector<std::string> &commands) const {
    return Child(with_commands({pcfg_program()}, commands), env_).finish();
}

Finished Card::pcfg_piped(const std::vector<std::string> &lines) const {
    Child shell({pcfg_program()}, env_);
    for (const std::string &line : lines) shell.write_input(line + "\n");
    return shell.finish();
}

Finished embedded(const std::vector<std::string> &commands) {
    const std::vector<std::string> argv = with_commands({pcfg_program(), "--embedded"}, commands);
    const std::string segment = "/pcfg-card-test-embedded-" + std::to_string(getpid());
    Finished r = Child(argv, {"PCFG_SIM_EVENTLOG=" + segment, "TZ=UTC0", "LC_ALL=C"}).finish();
    shm_unlink(segment.c_str());
    return r;
}

Finished Card::card_command(const std::string &what) const {
    return Child({card_program(), what}, env_).finish();
}

}  // namespace pcfg_card_test
