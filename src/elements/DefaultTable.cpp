#include "elements/DefaultTable.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace morvane {

namespace fs = std::filesystem;

namespace {

const char* const DEFAULT_TABLE_NAME = "morvanetable.txt";

bool Exists(const fs::path& p)
{
    std::error_code ec;
    return fs::symlink_status(p, ec).type() != fs::file_type::not_found && !ec;
}

bool IsReadableFile(const fs::path& p)
{
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

// True when `dir` is `root` or lies below it, both taken as canonical paths.
bool LiesInside(const fs::path& dir, const fs::path& root)
{
    std::error_code ec1, ec2;
    const fs::path d = fs::weakly_canonical(dir, ec1), r = fs::weakly_canonical(root, ec2);
    if (ec1 || ec2) return false;
    const auto mismatch = std::mismatch(r.begin(), r.end(), d.begin(), d.end());
    return mismatch.first == r.end();
}

}  // namespace

std::string DefaultTablePath(const std::string& programDir)
{
    if (Exists(DEFAULT_TABLE_NAME) || programDir.empty()) return DEFAULT_TABLE_NAME;
    const fs::path installed = fs::path(programDir) / ".." / "share" / "morvane" / DEFAULT_TABLE_NAME;
    if (IsReadableFile(installed)) return installed.string();
    if (LiesInside(programDir, MORVANE_BUILD_DIR) && IsReadableFile(MORVANE_SOURCE_TABLE)) return MORVANE_SOURCE_TABLE;
    return DEFAULT_TABLE_NAME;
}

std::string DefaultTablePath()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return DefaultTablePath(ec ? std::string() : exe.parent_path().string());
}

}  // namespace morvane
