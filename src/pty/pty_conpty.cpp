// Windows backend: a pseudo console (ConPTY), a reader, a writer and a
// watcher thread per session.

#include <windows.h>

#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/utf.hpp"
#include "pty/session_threads.hpp"

namespace ovelin {

using pty_detail::ExitLatch;
using pty_detail::InputQueue;
using pty_detail::ThreadToken;

namespace {

std::error_code last_error(DWORD code = ::GetLastError()) {
    return {static_cast<int>(code), std::system_category()};
}

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    Handle(Handle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    Handle& operator=(Handle&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    ~Handle() { reset(); }
    HANDLE get() const { return h_; }
    HANDLE* out() {
        reset();
        return &h_;
    }
    explicit operator bool() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    void reset(HANDLE h = nullptr) {
        if (h_ && h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};

// The program of a command line whose first word is a full path (drive or
// UNC) to an existing file. Given to CreateProcessW as the application name,
// it is started as is: nothing is searched for, and no shorter prefix of an
// unquoted path with spaces ("C:\Program.exe") is tried first.
std::optional<std::wstring> application_name(const std::wstring& command_line) {
    std::wstring first;
    if (command_line.starts_with(L'"')) {
        const std::size_t close = command_line.find(L'"', 1);
        if (close == std::wstring::npos) return std::nullopt;
        first = command_line.substr(1, close - 1);
    } else {
        first = command_line.substr(0, command_line.find_first_of(L" \t"));
    }
    const bool drive = first.size() >= 3 && first[1] == L':' && (first[2] == L'\\' || first[2] == L'/');
    const bool unc = first.starts_with(L"\\\\");
    if (!drive && !unc) return std::nullopt;
    const DWORD attributes = ::GetFileAttributesW(first.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    return first;
}

// The pseudo console, closed once by whoever comes first: the owner when the
// tab closes, or the watcher when the program has ended (the console's
// output only ends when it is closed).
struct Console {
    std::mutex mutex;
    HPCON handle = nullptr;

    void close() {
        std::lock_guard lock(mutex);
        if (handle) {
            ::ClosePseudoConsole(handle);
            handle = nullptr;
        }
    }
    bool resize(COORD size) {
        std::lock_guard lock(mutex);
        return handle && SUCCEEDED(::ResizePseudoConsole(handle, size));
    }
};

struct AttributeList {
    std::vector<std::uint64_t> storage;  // whole 8-byte words
    bool initialised = false;
    LPPROC_THREAD_ATTRIBUTE_LIST get() { return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data()); }
    ~AttributeList() {
        if (initialised) ::DeleteProcThreadAttributeList(get());
    }
};

// Each thread takes its arguments into locals, released before its token
// (a parameter) stops counting it.
void reader_loop([[maybe_unused]] ThreadToken token, Handle output_arg, std::shared_ptr<LockedScreen> screen_arg, std::shared_ptr<SessionSink> sink_arg,
                 std::shared_ptr<InputQueue> input_arg, std::shared_ptr<ExitLatch> exit_arg, std::uint64_t id) {
    Handle output = std::move(output_arg);
    auto screen = std::move(screen_arg);
    auto sink = std::move(sink_arg);
    auto input = std::move(input_arg);
    auto exit = std::move(exit_arg);
    char buf[READ_BUFFER_SIZE];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(output.get(), buf, sizeof buf, &got, nullptr) || got == 0) break;
        std::string replies = pty_detail::feed_and_notify(*screen, {buf, got}, *sink, id);
        if (!replies.empty()) input->push(replies);
    }
    sink->exited(id, exit->wait());
}

void writer_loop([[maybe_unused]] ThreadToken token, Handle pipe_arg, std::shared_ptr<InputQueue> input_arg) {
    Handle pipe = std::move(pipe_arg);
    auto input = std::move(input_arg);
    while (auto bytes = input->pop()) {
        std::string_view rest = *bytes;
        while (!rest.empty()) {
            DWORD chunk = rest.size() > 0x10000000u ? 0x10000000u : static_cast<DWORD>(rest.size());
            DWORD written = 0;
            // Blocks while the child does not read; closing the console ends it.
            if (!::WriteFile(pipe.get(), rest.data(), chunk, &written, nullptr) || written == 0) return;
            rest.remove_prefix(written);
        }
    }
}

// Always gives the reader a status, so its wait ends: the program's exit
// code, or none when the session was dropped first or the code is unreadable.
void watcher_loop([[maybe_unused]] ThreadToken token, Handle process_arg, Handle stop_arg, std::shared_ptr<Console> console_arg,
                  std::shared_ptr<ExitLatch> exit_arg) {
    Handle process = std::move(process_arg), stop = std::move(stop_arg);
    auto console = std::move(console_arg);
    auto exit = std::move(exit_arg);
    HANDLE waits[2] = {process.get(), stop.get()};
    const bool ended = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0;
    ExitStatus status;
    DWORD code = 0;
    if (ended && ::GetExitCodeProcess(process.get(), &code)) status = static_cast<std::uint32_t>(code);
    // Before the console closes: the reader's output ends right after.
    exit->set(status);
    if (ended) console->close();
}

}  // namespace

struct PtySession::Backend {
    Handle process;
    Handle stop_watcher;
    std::shared_ptr<Console> console;
    std::shared_ptr<InputQueue> input;

    ~Backend() {
        ::TerminateProcess(process.get(), 0);
        console->close();  // breaks the output pipe: the reader ends
        process.reset();
        input->close();
        ::SetEvent(stop_watcher.get());
    }
};

PtySession::PtySession(std::uint64_t id, std::uint16_t rows, std::uint16_t cols,
                       std::shared_ptr<LockedScreen> screen, std::unique_ptr<Backend> backend)
    : id_(id), rows_(rows), cols_(cols), screen_(std::move(screen)), backend_(std::move(backend)) {}

PtySession::~PtySession() = default;

std::expected<std::unique_ptr<PtySession>, std::error_code> PtySession::spawn(std::shared_ptr<SessionSink> sink,
                                                                            const PtyOptions& options) {
    Handle in_read, in_write, out_read, out_write;
    if (!::CreatePipe(in_read.out(), in_write.out(), nullptr, 0)) return std::unexpected(last_error());
    if (!::CreatePipe(out_read.out(), out_write.out(), nullptr, 0)) return std::unexpected(last_error());

    auto console = std::make_shared<Console>();
    COORD size{static_cast<SHORT>(options.cols), static_cast<SHORT>(options.rows)};
    HRESULT hr = ::CreatePseudoConsole(size, in_read.get(), out_write.get(), 0, &console->handle);
    if (FAILED(hr)) {
        console->handle = nullptr;
        return std::unexpected(std::error_code(static_cast<int>(hr), std::system_category()));
    }

    AttributeList attrs;
    SIZE_T bytes = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &bytes);
    attrs.storage.resize((bytes + 7) / 8);
    if (!::InitializeProcThreadAttributeList(attrs.get(), 1, 0, &bytes)) {
        auto ec = last_error();
        console->close();
        return std::unexpected(ec);
    }
    attrs.initialised = true;
    if (!::UpdateProcThreadAttribute(attrs.get(), 0, PROC_THREAD_ATTRIBUTE_PSEUDOCONSOLE, console->handle,
                                     sizeof(HPCON), nullptr, nullptr)) {
        auto ec = last_error();
        console->close();
        return std::unexpected(ec);
    }

    STARTUPINFOEXW si{};
    si.StartupInfo.cb = sizeof(STARTUPINFOEXW);
    si.lpAttributeList = attrs.get();

    std::u16string cmd16 = utf8_to_utf16(options.command_line);
    std::wstring cmd(cmd16.begin(), cmd16.end());
    std::wstring cwd;
    if (options.working_dir) {
        std::u16string w = utf8_to_utf16(*options.working_dir);
        cwd.assign(w.begin(), w.end());
    }
    const std::optional<std::wstring> application = application_name(cmd);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(application ? application->c_str() : nullptr, cmd.data(), nullptr, nullptr, FALSE,
                          EXTENDED_STARTUPINFO_PRESENT, nullptr,
                          options.working_dir ? cwd.c_str() : nullptr, &si.StartupInfo, &pi)) {
        auto ec = last_error();
        console->close();
        return std::unexpected(ec);
    }
    Handle process(pi.hProcess);
    ::CloseHandle(pi.hThread);
    // These ends belong to the pseudo console now.
    in_read.reset();
    out_write.reset();

    Handle watcher_process;
    Handle stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    Handle watcher_stop;
    const HANDLE self = ::GetCurrentProcess();
    if (!stop ||
        !::DuplicateHandle(self, process.get(), self, watcher_process.out(),
                           SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0) ||
        !::DuplicateHandle(self, stop.get(), self, watcher_stop.out(), SYNCHRONIZE, FALSE, 0)) {
        auto ec = last_error();
        ::TerminateProcess(process.get(), 0);
        console->close();
        return std::unexpected(ec);
    }

    auto screen = options.screen ? options.screen : std::make_shared<LockedScreen>(options.rows, options.cols);
    auto input = std::make_shared<InputQueue>();
    auto exit = std::make_shared<ExitLatch>();
    auto backend = std::make_unique<Backend>();
    backend->process = std::move(process);
    backend->stop_watcher = std::move(stop);
    backend->console = console;
    backend->input = input;

    std::thread(reader_loop, ThreadToken(), std::move(out_read), screen, std::move(sink), input, exit, options.id).detach();
    std::thread(writer_loop, ThreadToken(), std::move(in_write), input).detach();
    std::thread(watcher_loop, ThreadToken(), std::move(watcher_process), std::move(watcher_stop), console, exit).detach();

    return std::unique_ptr<PtySession>(
        new PtySession(options.id, options.rows, options.cols, std::move(screen), std::move(backend)));
}

void PtySession::write(std::string_view bytes) { backend_->input->push(bytes); }

void PtySession::resize(std::uint16_t rows, std::uint16_t cols) {
    if (rows == rows_ && cols == cols_) return;
    if (!backend_->console->resize(COORD{static_cast<SHORT>(cols), static_cast<SHORT>(rows)})) return;
    rows_ = rows;
    cols_ = cols;
    std::lock_guard lock(screen_->mutex);
    screen_->screen.resize(rows, cols);
}

}  // namespace ovelin
