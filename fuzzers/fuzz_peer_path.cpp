// A path a peer names in a share-list or transfer request: its cleaning, the
// prefix test against a share and the whole check against one shared folder.
// Input: the requested path (up to the first zero byte), then a permission key.

#include "client/core/share/ORV_Share_Permission.h"

#include <QDir>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

ORV_Share_Data shared_folder()
{
    const QString root = QDir::tempPath() + QStringLiteral("/quillfen_fuzz_share");
    QDir().mkpath(root + QStringLiteral("/inner"));
    ORV_Share_Data share;
    share.filepath = root;
    share.file_or_dir = ORV::SHARE_KIND_DIR;
    ORV_Share_Permission_Data everyone;
    everyone.share_type = ORV::SHARE_TYPE_ALL_LAN;
    everyone.share_grade = ORV::SHARE_GRADE_A;
    share.permissions.push_back(everyone);
    return share;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::vector<ORV_Share_Data> shares{shared_folder()};
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t zero = input.find('\0');
    const std::string requested = input.substr(0, zero);
    const std::string key = zero == std::string::npos ? std::string() : input.substr(zero + 1);

    const std::string cleaned = clean_peer_path(requested);
    if (!cleaned.empty() && clean_peer_path(cleaned) != cleaned)
        __builtin_trap();  // cleaning twice changes nothing
    const std::string root = shares[0].filepath.toStdString();
    if (!cleaned.empty())
        path_within_share(root, cleaned);
    const ORV_Share_Check check = check_share_path(shares, key, requested);
    if (check.grade > 0 && !path_within_share(root, check.path))
        __builtin_trap();  // nothing outside the share is ever granted
    return 0;
}
