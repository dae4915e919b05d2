// Windows backend: a pseudo console (ConPTY) and a reader thread per
// session; its input is written, and its program's end seen, on the thread
// pool, since under Wine every thread costs about a megabyte of memory.

#include <windows.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/trace.hpp"
#include "core/utf.hpp"
#include "pty/session_threads.hpp"

namespace ovelin {

using pty_detail::ExitLatch;
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

// The pool every session's input is written on: one thread kept for all of
// them, so a key after a quiet spell does not wait for a thread to start;
// more come while writes block on children that do not read.
class WritePool {
public:
    WritePool() {
        ::InitializeThreadpoolEnvironment(&env_);
        pool_ = ::CreateThreadpool(nullptr);
        if (!pool_) return;  // the process's own pool then
        ::SetThreadpoolThreadMinimum(pool_, 1);
        ::SetThreadpoolCallbackPool(&env_, pool_);
    }
    ~WritePool() {
        ::DestroyThreadpoolEnvironment(&env_);
        if (pool_) ::CloseThreadpool(pool_);
    }
    WritePool(const WritePool&) = delete;
    WritePool& operator=(const WritePool&) = delete;
    PTP_CALLBACK_ENVIRON env() { return &env_; }

private:
    TP_CALLBACK_ENVIRON env_{};
    PTP_POOL pool_ = nullptr;
};

WritePool& write_pool() {
    static WritePool pool;
    return pool;
}

// Bytes for the child's input, in order, written by at most one pool
// callback at a time; closing drops what is not written yet.
class Writer : public std::enable_shared_from_this<Writer> {
public:
    Writer(Handle pipe, std::uint64_t id) : pipe_(std::move(pipe)), id_(id) {}

    void push(std::string_view bytes) {
        std::lock_guard lock(mutex_);
        if (closed_ || bytes.empty()) return;
        pending_.append(bytes);
        if (busy_) return;  // the callback under way takes these too
        auto self = std::make_unique<std::shared_ptr<Writer>>(shared_from_this());
        if (::TrySubmitThreadpoolCallback(run, self.get(), write_pool().env())) {
            self.release();
            busy_ = true;
        }
        // Not submitted: the bytes wait for the next push.
    }

    void close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        pending_.clear();
    }

private:
    static void CALLBACK run(PTP_CALLBACK_INSTANCE instance, void* context) {
        std::unique_ptr<std::shared_ptr<Writer>> self(static_cast<std::shared_ptr<Writer>*>(context));
        ::CallbackMayRunLong(instance);  // a write blocks while the child does not read
        (*self)->drain();
    }

    void drain() {
        for (;;) {
            std::string bytes;
            {
                std::lock_guard lock(mutex_);
                if (closed_ || pending_.empty()) {
                    busy_ = false;
                    return;
                }
                bytes.swap(pending_);
            }
            std::string_view rest = bytes;
            while (!rest.empty()) {
                DWORD chunk = rest.size() > 0x10000000u ? 0x10000000u : static_cast<DWORD>(rest.size());
                DWORD written = 0;
                // Blocks while the child does not read; closing the console ends it.
                if (!::WriteFile(pipe_.get(), rest.data(), chunk, &written, nullptr) || written == 0) {
                    std::lock_guard lock(mutex_);
                    closed_ = true;
                    busy_ = false;
                    return;
                }
                trace::mark(trace::Mark::InputWritten, id_, written);
                rest.remove_prefix(written);
            }
        }
    }

    Lock mutex_;
    std::string pending_;
    bool busy_ = false;
    bool closed_ = false;
    Handle pipe_;
    std::uint64_t id_;
    ThreadToken token_;  // counted as a session thread while it lives
};

// The reader takes its arguments into locals, released before its token
// (a parameter) stops counting it.
void reader_loop([[maybe_unused]] ThreadToken token, Handle output_arg, std::shared_ptr<LockedScreen> screen_arg, std::shared_ptr<SessionSink> sink_arg,
                 std::shared_ptr<Writer> input_arg, std::shared_ptr<ExitLatch> exit_arg, std::uint64_t id) {
    Handle output = std::move(output_arg);
    auto screen = std::move(screen_arg);
    auto sink = std::move(sink_arg);
    auto input = std::move(input_arg);
    auto exit = std::move(exit_arg);
    char buf[READ_BUFFER_SIZE];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(output.get(), buf, sizeof buf, &got, nullptr) || got == 0) break;
        trace::mark(trace::Mark::OutputRead, id, got);
        std::string replies = pty_detail::feed_and_notify(*screen, {buf, got}, *sink, id);
        if (!replies.empty()) input->push(replies);
    }
    input.reset();
    sink->exited(id, exit->wait());
}

// Sees the program end, from the pool's wait: its exit status goes to the
// reader, and the console closes, which ends the reader's output.
struct ExitWatch {
    Handle process;
    std::shared_ptr<Console> console;
    std::shared_ptr<ExitLatch> exit;
    HANDLE wait = nullptr;
    ThreadToken token;  // counted as a session thread while it lives

    static void CALLBACK ended(void* context, BOOLEAN) {
        auto* self = static_cast<ExitWatch*>(context);
        ExitStatus status;
        DWORD code = 0;
        if (::GetExitCodeProcess(self->process.get(), &code)) status = static_cast<std::uint32_t>(code);
        // Before the console closes: the reader's output ends right after.
        self->exit->set(status);
        self->console->close();
    }
};

}  // namespace

struct PtySession::Backend {
    std::unique_ptr<ExitWatch> watch;
    std::shared_ptr<Writer> input;

    ~Backend() {
        // Waits for an end callback under way; afterwards none comes.
        if (watch->wait) ::UnregisterWaitEx(watch->wait, INVALID_HANDLE_VALUE);
        watch->exit->set(std::nullopt);  // dropped first: no status (the first one given is kept)
        ::TerminateProcess(watch->process.get(), 0);
        watch->console->close();  // breaks the output pipe: the reader ends
        input->close();
    }
};

PtySession::PtySession(std::uint64_t id, std::uint16_t rows, std::uint16_t cols,
                       std::shared_ptr<LockedScreen> screen, std::unique_ptr<Backend> backend)
    : id_(id), rows_(rows), cols_(cols), screen_(std::move(screen)), backend_(std::move(backend)) {}

PtySession::PtySession(std::uint64_t id, std::uint16_t rows, std::uint16_t cols, std::shared_ptr<LockedScreen> screen)
    : id_(id), rows_(rows), cols_(cols), screen_(std::move(screen)) {}

PtySession::~PtySession() = default;

std::expected<std::unique_ptr<PtySession>, std::error_code> PtySession::launch(std::shared_ptr<SessionSink> sink,
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

    auto screen = options.screen ? options.screen : std::make_shared<LockedScreen>(options.rows, options.cols);
    auto input = std::make_shared<Writer>(std::move(in_write), options.id);
    auto exit = std::make_shared<ExitLatch>();
    auto backend = std::make_unique<Backend>();
    backend->watch = std::make_unique<ExitWatch>();
    backend->watch->process = std::move(process);
    backend->watch->console = console;
    backend->watch->exit = exit;
    backend->input = input;
    if (!::RegisterWaitForSingleObject(&backend->watch->wait, backend->watch->process.get(), ExitWatch::ended,
                                       backend->watch.get(), INFINITE, WT_EXECUTEONLYONCE)) {
        backend->watch->wait = nullptr;
        return std::unexpected(last_error());  // the backend ends the program and closes the console
    }

    std::thread(reader_loop, ThreadToken(), std::move(out_read), screen, std::move(sink), input, exit, options.id).detach();

    return std::unique_ptr<PtySession>(
        new PtySession(options.id, options.rows, options.cols, std::move(screen), std::move(backend)));
}

void PtySession::write_now(std::string_view bytes) { backend_->input->push(bytes); }

bool PtySession::resize_console(std::uint16_t rows, std::uint16_t cols) {
    return backend_->watch->console->resize(COORD{static_cast<SHORT>(cols), static_cast<SHORT>(rows)});
}

}  // namespace ovelin
