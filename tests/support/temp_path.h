// Fresh file names in the system's temporary directory, removed at the end of
// the scope that made them.
#ifndef QORU_TEST_TEMP_PATH_H
#define QORU_TEST_TEMP_PATH_H

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/platform.h"

namespace qoru_test {

class TempPath {
public:
    // leaf is appended to a name unique to this process and object.
    explicit TempPath(const std::u16string &leaf = u"") {
        static int counter = 0;
        const std::string stem = "qoru_io_" + std::to_string(plat::processId()) + "_" + std::to_string(++counter);
        path_ = std::filesystem::temp_directory_path() / std::filesystem::path(stem);
        path_ += std::filesystem::path(leaf);
    }
    ~TempPath() {
        std::error_code ec;
        // A read-only file cannot be removed on Windows.
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove(path_, ec);
    }
    TempPath(const TempPath &) = delete;
    TempPath &operator=(const TempPath &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::u16string u16() const { return path_.u16string(); }

    // The whole content, read by the C runtime's narrow functions on the
    // native name; "" when it cannot be read.
    std::string contents() const {
        std::string out;
        FILE *f = std::fopen(path_.string().c_str(), "rb");
        if (f == nullptr) return out;
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        std::fclose(f);
        return out;
    }
    // Writes bytes as the whole content.
    bool write(const std::string &bytes) const {
        FILE *f = std::fopen(path_.string().c_str(), "wb");
        if (f == nullptr) return false;
        const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return std::fclose(f) == 0 && ok;
    }

private:
    std::filesystem::path path_;
};

}  // namespace qoru_test

#endif
