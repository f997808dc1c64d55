// The client's binding loads the real library from the program's folder and
// falls back to the null stand-in when it cannot.

#include "client/core/binding/C_ORV_Call_Back_Object.h"
#include "client/core/binding/Net_Dll_Class.h"
#include "client/core/binding/NullDllClass.h"

#include <gtest/gtest.h>

TEST(Binding, MissingLibraryGivesTheSharedNullInterface)
{
    Net_Dll_Class missing("/nonexistent-folder/ORV_DLL_NET");
    IDllClass* dll = missing.get_interface();
    EXPECT_EQ(dll, NullDllClass::instance());
    EXPECT_EQ(missing.get_interface(), dll) << "no new object per call";
    int sock = 77;
    EXPECT_FALSE(dll->connect("10.0.0.1", "id", "10.0.0.2", &sock));
    EXPECT_EQ(sock, 77) << "the null interface writes no output argument";
    int count = 5;
    char buf[4];
    EXPECT_FALSE(dll->recv(1, buf, 4, &count));
    EXPECT_EQ(count, 5);
    EXPECT_TRUE(dll->get_peers().empty());
}

TEST(Binding, LoadsTheLibraryBesideTheProgram)
{
    IDllClass* dll = Net_Dll_Class::instance().get_interface();
    ASSERT_NE(dll, NullDllClass::instance()) << Net_Dll_Class::instance().errorString().toStdString();
    EXPECT_EQ(Net_Dll_Class::instance().get_interface(), dll) << "one object for every fetch";
    EXPECT_TRUE(dll->is_ready());
    EXPECT_TRUE(dll->get_peers().empty());

    // Freeing the facade leaves the library usable through a fresh one.
    auto free_module = reinterpret_cast<QtDllClass_FreeModule_Fn>(
        Net_Dll_Class::instance().resolve("QtDllClass_FreeModule"));
    ASSERT_NE(free_module, nullptr);
    free_module();
    IDllClass* fresh = Net_Dll_Class::instance().get_interface();
    ASSERT_NE(fresh, NullDllClass::instance());
    EXPECT_TRUE(fresh->is_ready());
    EXPECT_TRUE(fresh->get_peers().empty());
}

TEST(CallBackObject, OnlineAndOfflineSignalOtherKindsDoNot)
{
    C_ORV_Call_Back_Object& call_back = C_ORV_Call_Back_Object::instance();
    int emitted = 0;
    QObject::connect(call_back.action_object(), &ActionObject::signal_refresh_friend,
                     [&emitted] { ++emitted; });
    call_back.on_peer_event(1);
    call_back.on_peer_event(2);
    call_back.on_peer_event(3);
    EXPECT_EQ(emitted, 2);

}
