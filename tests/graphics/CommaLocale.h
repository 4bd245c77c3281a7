#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

// Switches the whole process to a German locale, whose decimal separator is ",", for the
// lifetime of the object. Test machines rarely have one installed, so it is compiled from the
// system's locale sources into a private folder and found through LOCPATH; no root needed.
// Active() tells whether that worked; Reason() says why not.
class CommaLocale {
public:
    CommaLocale()
    {
        namespace fs = std::filesystem;
        std::error_code ec;
        std::string pattern = (fs::temp_directory_path(ec) / "gf-locale-XXXXXX").string();
        if (ec || !mkdtemp(pattern.data())) {
            m_reason = "no temporary folder for the locale";
            return;
        }
        m_dir = pattern;
        const std::string target = m_dir + "/de_DE.UTF-8";
        const std::string command = "localedef -i de_DE -f UTF-8 '" + target + "' >/dev/null 2>&1";
        (void)std::system(command.c_str()); // warnings give a non-zero status; the file decides
        if (!fs::exists(target + "/LC_NUMERIC", ec)) {
            m_reason = "localedef could not build de_DE.UTF-8 (are the locale sources installed?)";
            return;
        }
        if (const char* old = std::getenv("LOCPATH"))
            m_oldLocPath = old;
        setenv("LOCPATH", m_dir.c_str(), 1);
        m_switched = true;
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
            m_reason = "setlocale refused the generated de_DE.UTF-8";
            return;
        }
        if (std::string(std::localeconv()->decimal_point) != ",") {
            m_reason = "the generated locale does not use a decimal comma";
            return;
        }
        m_active = true;
    }

    ~CommaLocale()
    {
        if (m_switched) {
            std::setlocale(LC_ALL, "C");
            if (m_oldLocPath)
                setenv("LOCPATH", m_oldLocPath->c_str(), 1);
            else
                unsetenv("LOCPATH");
        }
        if (!m_dir.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(m_dir, ec);
        }
    }

    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool Active() const { return m_active; }
    const std::string& Reason() const { return m_reason; }

private:
    std::string m_dir;
    std::optional<std::string> m_oldLocPath;
    std::string m_reason;
    bool m_switched = false;
    bool m_active = false;
};
