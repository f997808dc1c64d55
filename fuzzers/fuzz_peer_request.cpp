// The serving side of a peer connection: share-list and transfer requests,
// one after the other, read from the connection as the input cuts it. The
// client's database lives in a temporary folder and shares one folder for
// download only, so a request may be answered but nothing is ever written.

#include "client/core/binding/Net_Dll_Access.h"
#include "client/core/peer/ShareRequestHandler.h"
#include "client/core/share/ORV_Share_Data_Manage.h"
#include "client/core/store/ORV_Sql_Connection.h"
#include "fuzzers/Input_Connection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>

namespace {

bool set_up()
{
    static int argc = 1;
    static char name[] = "fuzz_peer_request";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    const QString root = QDir::tempPath() + QStringLiteral("/quillfen_fuzz_peer");
    QDir().mkpath(root + QStringLiteral("/shared/inner"));
    QFile file(root + QStringLiteral("/shared/inner/notes.txt"));
    if (file.open(QIODevice::WriteOnly))
        file.write("some notes\n");
    ORV_Sql_Connection::instance().set_database_path(root + QStringLiteral("/db/orv_data.db"));
    if (!ORV_Sql_Connection::instance().open())
        return false;
    ORV_Share_Data_Manage& shares = ORV_Share_Data_Manage::instance();
    shares.load_shares();
    if (shares.get_shares().empty()) {
        ORV_Share_Data share;
        share.filepath = root + QStringLiteral("/shared");
        share.file_or_dir = ORV::SHARE_KIND_DIR;
        ORV_Share_Permission_Data everyone;
        everyone.share_type = ORV::SHARE_TYPE_ALL_LAN;
        everyone.share_grade = ORV::SHARE_GRADE_A;
        share.permissions.push_back(everyone);
        shares.add_share(share);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = set_up();
    if (!ready)
        return 0;
    Input_Connection connection(data, size);
    set_net_dll(&connection);
    ShareRequestHandler(7);
    set_net_dll(nullptr);
    return 0;
}
