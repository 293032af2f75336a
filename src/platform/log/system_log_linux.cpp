#include "platform/log/system_log_linux.h"

#include "platform/environment.h"
#include "platform/log/system_log.h"

#include <string_view>
#include <sys/stat.h>
#include <sys/uio.h>
#include <syslog.h>
#include <systemd/sd-journal.h>
#include <unistd.h>

namespace zelvoro::platform {

namespace {

// systemd names the stream it connected a service's standard error to in JOURNAL_STREAM
// ("DEVICE:INODE").
bool standard_error_is_journal() {
    const auto stream = environment_variable("JOURNAL_STREAM");
    struct stat status {};
    if (!stream || ::fstat(STDERR_FILENO, &status) != 0) {
        return false;
    }
    return *stream == std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

iovec field(std::string& text) {
    return {text.data(), text.size()};
}

class SystemLog final : public Diagnostics {
public:
    SystemLog(const std::string& program, JournalWriter journal)
        : standard_error_(program), journal_(std::move(journal)),
          to_journal_(::isatty(STDERR_FILENO) == 0),
          to_standard_error_(!to_journal_ || !standard_error_is_journal()) {}

    void write(LogLevel level, std::string_view line) override {
        if (to_standard_error_) {
            standard_error_.write(level, line);
        }
        if (to_journal_) {
            journal_(level, line);
        }
    }

private:
    StandardErrorDiagnostics standard_error_;
    JournalWriter journal_;
    bool to_journal_;
    bool to_standard_error_;
};

// A journal that cannot be reached (no systemd) takes nothing, silently.
JournalWriter systemd_journal(const std::string& program) {
    return [identifier = "SYSLOG_IDENTIFIER=" + program](LogLevel level,
                                                         std::string_view line) mutable {
        std::string message = "MESSAGE=" + std::string(line);
        std::string priority =
            "PRIORITY=" + std::to_string(level == LogLevel::debug ? LOG_DEBUG : LOG_ERR);
        const iovec fields[] = {field(message), field(priority), field(identifier)};
        sd_journal_sendv(fields, static_cast<int>(std::size(fields)));
    };
}

} // namespace

std::unique_ptr<Diagnostics> make_system_log(const std::string& program, JournalWriter journal) {
    return std::make_unique<SystemLog>(program, std::move(journal));
}

std::unique_ptr<Diagnostics> make_system_log(const std::string& program) {
    return make_system_log(program, systemd_journal(program));
}

} // namespace zelvoro::platform
