// The whole program: starts the real token editor on generated language
// projects under the X server of $DISPLAY (see run-startup-bench) and measures,
// from the moment before the process is created,
//
// - "caption": when the window's caption names the project,
// - "ready": when the program, its opening done, has answered two window
//   manager pings (_NET_WM_PING) sent one after the other once the caption
//   showed; a Qt program answers them from its event loop only, after the
//   paint the listing asked for, so by then the list is on the screen,
// - the peak resident memory of the process (from wait4, after a settling time).
//
// Qt Linguist (linguist-qt6) on an equivalent .ts (made with lconvert from a .po
// of the same texts) is measured the same way when installed.
//
// Nothing here changes what the programs do: the driver only listens to the X
// server and sends the pings a window manager sends. It is a benchmark, not a
// test: it never fails because of a figure.
#include "tokengen.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Program
{
    std::string label;
    std::string path;
};

struct Run
{
    bool ok = false;
    double caption = 0; // seconds
    double ready = 0;   // seconds
    double peakMb = 0;  // MB (10^6 bytes)
    double keysAnswered = 0; // seconds from the keys sent until two more pings were answered
    std::string failure;
};

struct Generated
{
    std::string prj;
    std::string ts; // empty without lconvert
    std::uint64_t tokenBytes = 0; // both token files
};

void writeFile(const fs::path &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Windows-1252 to UTF-8 for the .po; the generated texts use Latin-1 letters only.
std::string utf8FromWindows1252(std::string_view bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string poString(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

struct TokenLine
{
    std::string key;
    std::string status;
    std::string text;
};

std::vector<TokenLine> splitTokens(const std::string &file)
{
    std::vector<TokenLine> out;
    std::size_t start = 0;
    while (start < file.size()) {
        std::size_t end = file.find("\r\n", start);
        if (end == std::string::npos)
            end = file.size();
        const std::string line = file.substr(start, end - start);
        start = end + 2;
        const std::size_t eq = line.find("]]=");
        std::vector<std::string> fields;
        std::stringstream s(line.substr(2, eq - 2));
        std::string field;
        while (std::getline(s, field, '|'))
            fields.push_back(field);
        fields.resize(6);
        out.push_back({fields[0] + "|" + fields[1] + "|" + fields[2] + "|" + fields[3] + "|" + fields[5], fields[4],
                       line.substr(eq + 3)});
    }
    return out;
}

std::optional<std::string> findTool(const char *name)
{
    for (const std::string dir : {"/usr/lib/qt6/bin", "/usr/bin"}) {
        const fs::path p = fs::path(dir) / name;
        if (access(p.c_str(), X_OK) == 0)
            return p.string();
    }
    return std::nullopt;
}

Generated generate(const fs::path &work, std::size_t count, bool withTs)
{
    const fs::path dir = work / std::to_string(count);
    fs::create_directories(dir);
    const std::string master = GenerateTokenFile(count, false);
    const std::string project = GenerateTokenFile(count, true);
    writeFile(dir / "big.tok", master);
    writeFile(dir / "fr.tok", project);
    writeFile(dir / "big.mpj", "big.dll\r\nbig.tok\r\n");
    writeFile(dir / "fr.prj", "big.mpj\r\nfr.tok\r\n\r\n\r\n\r\nfr.dll\r\n");
    Generated g;
    g.prj = (dir / "fr.prj").string();
    g.tokenBytes = master.size() + project.size();
    if (!withTs)
        return g;
    const auto lconvert = findTool("lconvert");
    if (!lconvert)
        return g;
    const fs::path ts = dir / ("fr" + std::to_string(count) + ".ts");
    const fs::path stamp = dir / "ts-fr.done";
    if (!fs::exists(ts) || !fs::exists(stamp)) {
        std::fprintf(stderr, "making %s with lconvert...\n", ts.c_str());
        const auto masterRows = splitTokens(master);
        const auto projectRows = splitTokens(project);
        std::string po = "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                         "\"Language: fr\\n\"\n\n";
        for (std::size_t i = 0; i < projectRows.size(); ++i) {
            const TokenLine &p = projectRows[i];
            // Untranslated tokens are the unfinished ones of a .ts.
            if (p.status == "1")
                po += "#, fuzzy\n";
            po += "msgctxt " + poString(p.key) + "\n";
            po += "msgid " + poString(masterRows[i].text) + "\n";
            po += "msgstr " + poString(utf8FromWindows1252(p.text)) + "\n\n";
        }
        const fs::path poPath = dir / "fr.po";
        writeFile(poPath, po);
        // The languages named, or Linguist stops at a box about plural forms.
        const std::string command = *lconvert + " -source-language en_US -target-language fr_FR -i '" +
                                    poPath.string() + "' -o '" + ts.string() + "'";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "lconvert failed\n");
            return g;
        }
        fs::remove(poPath);
        writeFile(stamp, "");
    }
    g.ts = ts.string();
    return g;
}

class XWatcher
{
public:
    bool connect()
    {
        int screen = 0;
        m_c = xcb_connect(nullptr, &screen);
        if (!m_c || xcb_connection_has_error(m_c))
            return false;
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_c));
        for (int i = 0; i < screen; ++i)
            xcb_screen_next(&it);
        m_root = it.data->root;
        // Qt answers a ping to the root window for structure listeners.
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_c, m_root, XCB_CW_EVENT_MASK, &mask);
        m_netWmName = atom("_NET_WM_NAME");
        m_protocols = atom("WM_PROTOCOLS");
        m_ping = atom("_NET_WM_PING");
        m_delete = atom("WM_DELETE_WINDOW");
        xcb_flush(m_c);
        return true;
    }
    ~XWatcher()
    {
        if (m_c)
            xcb_disconnect(m_c);
    }

    // Starts the program and waits for its caption to hold `needle` and for the
    // answers to two pings; then, after `settle` seconds, asks the window to
    // close and collects the peak memory.
    Run measure(const std::string &program, const std::vector<std::string> &args, const std::string &needle,
                double limitSeconds, double settle, const std::vector<std::string> &keys = {})
    {
        Run run;
        while (xcb_generic_event_t *ev = xcb_poll_for_event(m_c))
            std::free(ev); // what earlier runs left
        const fs::path config = fs::temp_directory_path() / ("startup-bench-config-" + std::to_string(getpid()));
        fs::remove_all(config);
        fs::create_directories(config);

        const auto start = Clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("XDG_CONFIG_HOME", config.c_str(), 1);
            const int null = open("/dev/null", O_WRONLY);
            if (null >= 0) {
                dup2(null, 1);
                dup2(null, 2);
            }
            std::vector<char *> argv;
            argv.push_back(const_cast<char *>(program.c_str()));
            for (const auto &a : args)
                argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        if (pid < 0) {
            run.failure = "fork failed";
            return run;
        }

        xcb_window_t target = 0;
        int answered = 0;
        bool exited = false;
        int status = 0;
        struct rusage usage = {};
        while (answered < 2) {
            if (since(start) > limitSeconds) {
                run.failure = "no answer within the time limit";
                break;
            }
            const pid_t w = wait4(pid, &status, WNOHANG, &usage);
            if (w == pid) {
                exited = true;
                run.failure = "the program ended early";
                break;
            }
            xcb_flush(m_c);
            pollfd p = {xcb_get_file_descriptor(m_c), POLLIN, 0};
            poll(&p, 1, 50);
            while (xcb_generic_event_t *ev = xcb_poll_for_event(m_c)) {
                const int type = ev->response_type & 0x7f;
                if (std::getenv("STARTUP_BENCH_DEBUG"))
                    std::fprintf(stderr, "%.3f event %d\n", since(start), type);
                if (type == XCB_CREATE_NOTIFY && !target) {
                    const auto *e = reinterpret_cast<xcb_create_notify_event_t *>(ev);
                    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                    xcb_change_window_attributes(m_c, e->window, XCB_CW_EVENT_MASK, &mask);
                    if (titleHolds(e->window, needle)) {
                        target = e->window;
                        run.caption = since(start);
                        ping(target, 1);
                    }
                } else if (type == XCB_PROPERTY_NOTIFY && !target) {
                    const auto *e = reinterpret_cast<xcb_property_notify_event_t *>(ev);
                    if ((e->atom == m_netWmName || e->atom == XCB_ATOM_WM_NAME) && titleHolds(e->window, needle)) {
                        target = e->window;
                        run.caption = since(start);
                        ping(target, 1);
                    }
                } else if (type == XCB_CLIENT_MESSAGE && target) {
                    const auto *e = reinterpret_cast<xcb_client_message_event_t *>(ev);
                    if (std::getenv("STARTUP_BENCH_DEBUG"))
                        std::fprintf(stderr, "client message type %u data %x %x %x target %x\n", e->type,
                                     e->data.data32[0], e->data.data32[1], e->data.data32[2], target);
                    if (e->type == m_protocols && e->data.data32[0] == m_ping && e->data.data32[2] == target &&
                        e->data.data32[1] == kPingMark + static_cast<std::uint32_t>(answered + 1)) {
                        ++answered;
                        if (answered == 1)
                            ping(target, 2);
                        else
                            run.ready = since(start);
                    }
                }
                std::free(ev);
            }
        }
        run.ok = answered == 2;
        // Keys typed into the window once it is ready (xdotool, to the window
        // the window manager gave the focus), then two more pings answered.
        if (run.ok && !keys.empty()) {
            const auto sent = Clock::now();
            std::vector<std::string> command = {"xdotool", "key", "--delay", "40"};
            command.insert(command.end(), keys.begin(), keys.end());
            if (!runTool(command)) {
                run.ok = false;
                run.failure = "xdotool failed";
            } else if (!pingTwice(target, 3, sent, limitSeconds)) {
                run.ok = false;
                run.failure = "no answer after the keys";
            } else {
                run.keysAnswered = since(sent);
            }
        }

        if (!exited) {
            const auto settleStart = Clock::now();
            while (since(settleStart) < settle)
                usleep(20000);
            if (target)
                closeWindow(target);
            else
                kill(pid, SIGTERM);
            const auto closeStart = Clock::now();
            for (;;) {
                if (wait4(pid, &status, WNOHANG, &usage) == pid)
                    break;
                if (since(closeStart) > 30) {
                    kill(pid, SIGKILL);
                    wait4(pid, &status, 0, &usage);
                    break;
                }
                usleep(20000);
                while (xcb_generic_event_t *ev = xcb_poll_for_event(m_c))
                    std::free(ev);
            }
        }
        run.peakMb = static_cast<double>(usage.ru_maxrss) * 1024.0 / 1e6;
        fs::remove_all(config);
        return run;
    }

private:
    static constexpr std::uint32_t kPingMark = 0x51a70000;

    static bool runTool(const std::vector<std::string> &command)
    {
        const pid_t pid = fork();
        if (pid == 0) {
            std::vector<char *> argv;
            for (const auto &a : command)
                argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    // Pings `first`, then `first` + 1 once it is answered; true when both were.
    bool pingTwice(xcb_window_t target, std::uint32_t first, Clock::time_point start, double limitSeconds)
    {
        ping(target, first);
        std::uint32_t next = first;
        while (next < first + 2) {
            if (since(start) > limitSeconds)
                return false;
            pollfd p = {xcb_get_file_descriptor(m_c), POLLIN, 0};
            poll(&p, 1, 50);
            while (xcb_generic_event_t *ev = xcb_poll_for_event(m_c)) {
                if ((ev->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                    const auto *e = reinterpret_cast<xcb_client_message_event_t *>(ev);
                    if (e->type == m_protocols && e->data.data32[0] == m_ping && e->data.data32[2] == target &&
                        e->data.data32[1] == kPingMark + next) {
                        if (++next < first + 2)
                            ping(target, next);
                    }
                }
                std::free(ev);
            }
        }
        return true;
    }

    xcb_atom_t atom(const char *name)
    {
        auto cookie = xcb_intern_atom(m_c, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(m_c, cookie, nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    }

    bool titleHolds(xcb_window_t w, const std::string &needle)
    {
        for (xcb_atom_t property : {m_netWmName, static_cast<xcb_atom_t>(XCB_ATOM_WM_NAME)}) {
            auto cookie = xcb_get_property(m_c, 0, w, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096);
            xcb_get_property_reply_t *reply = xcb_get_property_reply(m_c, cookie, nullptr);
            if (!reply)
                continue;
            const std::string value(static_cast<const char *>(xcb_get_property_value(reply)),
                                    static_cast<std::size_t>(xcb_get_property_value_length(reply)));
            std::free(reply);
            if (value.find(needle) != std::string::npos)
                return answersPings(w);
        }
        return false;
    }

    // The program's client leader window carries the caption too, but only the
    // main window takes part in the protocols.
    bool answersPings(xcb_window_t w)
    {
        auto cookie = xcb_get_property(m_c, 0, w, m_protocols, XCB_ATOM_ATOM, 0, 64);
        xcb_get_property_reply_t *reply = xcb_get_property_reply(m_c, cookie, nullptr);
        if (!reply)
            return false;
        const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply));
        const int n = xcb_get_property_value_length(reply) / 4;
        const bool found = std::find(atoms, atoms + n, m_ping) != atoms + n;
        std::free(reply);
        return found;
    }

    void ping(xcb_window_t w, std::uint32_t n)
    {
        xcb_client_message_event_t e = {};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = w;
        e.type = m_protocols;
        e.data.data32[0] = m_ping;
        e.data.data32[1] = kPingMark + n; // stands for the timestamp; echoed back
        e.data.data32[2] = w;
        xcb_send_event(m_c, 0, w, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&e));
        xcb_flush(m_c);
    }

    void closeWindow(xcb_window_t w)
    {
        xcb_client_message_event_t e = {};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = w;
        e.type = m_protocols;
        e.data.data32[0] = m_delete;
        e.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_c, 0, w, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&e));
        xcb_flush(m_c);
    }

    xcb_connection_t *m_c = nullptr;
    xcb_window_t m_root = 0;
    xcb_atom_t m_netWmName = 0;
    xcb_atom_t m_protocols = 0;
    xcb_atom_t m_ping = 0;
    xcb_atom_t m_delete = 0;
};

struct Summary
{
    int ok = 0;
    double bestCaption = 0, bestReady = 0, medianReady = 0, peakMb = 0;
};

Summary summarise(const std::vector<Run> &runs)
{
    std::vector<double> caption, ready, peak;
    for (const Run &r : runs) {
        if (!r.ok)
            continue;
        caption.push_back(r.caption);
        ready.push_back(r.ready);
        peak.push_back(r.peakMb);
    }
    Summary s;
    s.ok = static_cast<int>(ready.size());
    if (ready.empty())
        return s;
    std::sort(caption.begin(), caption.end());
    std::sort(ready.begin(), ready.end());
    std::sort(peak.begin(), peak.end());
    s.bestCaption = caption.front();
    s.bestReady = ready.front();
    s.medianReady = ready[ready.size() / 2];
    s.peakMb = peak.front();
    return s;
}

void usage()
{
    std::fprintf(stderr,
                 "usage: startup_bench [--program LABEL=PATH]... [--counts N,N...] [--runs N]\n"
                 "                     [--linguist-runs N] [--no-linguist] [--settle SECONDS] [--work DIR]\n"
                 "                     [--find-keys] [--tsv FILE]\n"
                 "--find-keys: one more run per count where Ctrl+F and three letters are typed once\n"
                 "the window is ready (xdotool); its row gives the peak memory after the find.\n"
                 "Needs an X server with a window manager: see bench/run-startup-bench.\n");
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<Program> programs;
    std::vector<std::size_t> counts = {100000, 1000000};
    int runs = 5;
    int linguistRuns = -1;
    bool linguist = true;
    bool findKeys = false;
    std::FILE *tsv = nullptr; // --tsv: each row also as tab-separated fields, for bench/run-figures
    double settle = 1.0;
    fs::path work = fs::temp_directory_path() / "tamrix-startup";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--program") {
            const std::string v = value();
            const auto eq = v.find('=');
            programs.push_back(eq == std::string::npos ? Program{"quenlit", v}
                                                       : Program{v.substr(0, eq), v.substr(eq + 1)});
        } else if (a == "--counts") {
            counts.clear();
            std::stringstream s(value());
            std::string n;
            while (std::getline(s, n, ','))
                counts.push_back(std::stoul(n));
        } else if (a == "--runs") {
            runs = std::stoi(value());
        } else if (a == "--linguist-runs") {
            linguistRuns = std::stoi(value());
        } else if (a == "--tsv") {
            tsv = std::fopen(value().c_str(), "w");
        } else if (a == "--find-keys") {
            findKeys = true;
        } else if (a == "--no-linguist") {
            linguist = false;
        } else if (a == "--settle") {
            settle = std::stod(value());
        } else if (a == "--work") {
            work = value();
        } else {
            usage();
            return 2;
        }
    }
    if (programs.empty())
        programs.push_back({"quenlit", QUENLIT_PROGRAM});
    if (!std::getenv("DISPLAY")) {
        usage();
        return 2;
    }
    const auto linguistPath = linguist ? findTool("linguist") : std::nullopt;

    XWatcher x;
    if (!x.connect()) {
        std::fprintf(stderr, "cannot connect to the X server\n");
        return 2;
    }

    auto tsvRow = [&](std::size_t count, const std::string &label, const Summary &s, double keys, double files) {
        if (tsv)
            std::fprintf(tsv, "%zu\t%s\t%d\t%.4f\t%.4f\t%.4f\t%.1f\t%.3f\t%.4f\n", count, label.c_str(), s.ok,
                         s.bestCaption, s.bestReady, s.medianReady, s.peakMb, files, keys);
    };
    std::printf("Whole program: process start until the caption names the project (caption) and the\n"
                "program answers two pings after it (ready); peak resident memory. Best of the runs\n"
                "(median of ready in brackets); several programs are measured in turns.\n\n");
    std::printf("%-9s %-14s %4s %9s %9s %10s %9s %9s %8s\n", "tokens", "program", "runs", "caption", "ready",
                "(median)", "limit", "peak MB", "x files");
    for (const std::size_t count : counts) {
        const Generated g = count ? generate(work, count, linguistPath.has_value())
                                  : Generated{};
        const double limit = count >= 1000000 ? 0.5 : (count >= 100000 ? 0.2 : 0.0);
        std::map<std::string, std::vector<Run>> results;
        for (int r = 0; r < runs; ++r) {
            for (const Program &p : programs) {
                const std::vector<std::string> args = count ? std::vector<std::string>{g.prj}
                                                            : std::vector<std::string>{};
                const std::string needle = count ? "Velmora Quenlit - " + g.prj : "Velmora Quenlit";
                Run run = x.measure(p.path, args, needle, 60, settle);
                if (!run.ok)
                    std::fprintf(stderr, "%s, %zu tokens: %s\n", p.label.c_str(), count, run.failure.c_str());
                results[p.label].push_back(run);
            }
        }
        Summary ours;
        for (const Program &p : programs) {
            const Summary s = summarise(results[p.label]);
            ours = s;
            const double files = g.tokenBytes ? s.peakMb * 1e6 / static_cast<double>(g.tokenBytes) : 0;
            char limitText[32] = "-";
            if (limit > 0)
                std::snprintf(limitText, sizeof limitText, "< %.2f s", limit);
            std::printf("%-9zu %-14s %4d %7.3f s %7.3f s  (%5.3f s) %9s %9.1f %8.2f\n", count, p.label.c_str(), s.ok,
                        s.bestCaption, s.bestReady, s.medianReady, limitText, s.peakMb, files);
            tsvRow(count, p.label, s, 0, files);
        }
        if (count && findKeys) {
            for (const Program &p : programs) {
                // Long enough a settling time for what the find makes after the keys.
                Run run = x.measure(p.path, {g.prj}, "Velmora Quenlit - " + g.prj, 60, std::max(settle, 4.0),
                                    {"ctrl+f", "o", "u", "v"});
                if (!run.ok)
                    std::fprintf(stderr, "%s, %zu tokens, find keys: %s\n", p.label.c_str(), count,
                                 run.failure.c_str());
                const Summary s = summarise({run});
                const double files = s.peakMb * 1e6 / static_cast<double>(g.tokenBytes);
                std::printf("%-9zu %-14s %4d %7.3f s %7.3f s  (%5.3f s) %9s %9.1f %8.2f\n", count,
                            (p.label + "+find").c_str(), s.ok, s.bestCaption, s.bestReady, run.keysAnswered, "-",
                            s.peakMb, files);
                tsvRow(count, p.label + "+find", s, run.keysAnswered, files);
            }
        }
        if (count && linguistPath && !g.ts.empty()) {
            const int n = linguistRuns >= 0 ? linguistRuns : (count >= 1000000 ? 1 : 3);
            std::vector<Run> lr;
            for (int r = 0; r < n; ++r) {
                Run run = x.measure(*linguistPath, {g.ts}, fs::path(g.ts).filename().string(), 600, settle);
                if (!run.ok)
                    std::fprintf(stderr, "Qt Linguist, %zu tokens: %s\n", count, run.failure.c_str());
                lr.push_back(run);
            }
            const Summary s = summarise(lr);
            const double files = s.peakMb * 1e6 / static_cast<double>(g.tokenBytes);
            std::printf("%-9zu %-14s %4d %7.3f s %7.3f s  (%5.3f s) %9s %9.1f %8.2f\n", count, "Qt Linguist", s.ok,
                        s.bestCaption, s.bestReady, s.medianReady, "-", s.peakMb, files);
            if (s.ok && ours.ok) {
                std::printf("%-9zu %-14s %4s %7.1f x %7.1f x %10s %9s %7.1f x\n", count,
                            ("vs " + programs.back().label).c_str(), "", s.bestCaption / ours.bestCaption,
                            s.bestReady / ours.bestReady, "", count >= 1000000 ? "> 50 x" : "-",
                            s.peakMb / ours.peakMb);
            }
        } else if (count && linguist) {
            std::printf("%-9zu Qt Linguist: not installed (Debian packages linguist-qt6 and qt6-l10n-tools)\n", count);
        }
        std::fflush(stdout);
    }
    if (tsv)
        std::fclose(tsv);
    return 0;
}
