// The transaction's records, queueing and cost; what it owns.

#include <gtest/gtest.h>

#include "update/update.h"
#include "util/basic_exception.h"

namespace {

TEST(Update, UpdatesHoldsItselfThenItsSubsInOrder) {
    Update root;
    ASSERT_EQ(1u, root.updates.size());
    EXPECT_EQ(&root, root.updates[0]);
    auto first = std::make_unique<Update>();
    auto second = std::make_unique<Update>();
    Update* a = first.get();
    Update* b = second.get();
    root.AddSubUpdate(std::move(first));
    root.AddSubUpdate(std::move(second));
    EXPECT_EQ((std::vector<Update*>{&root, a, b}), root.updates);
}

TEST(Update, InfInstallStagesTheInfAndQueuesItsPair) {
    Update u;
    u.InfInstall(u"C:\\src\\net.inf", u"C:\\Drv");
    ASSERT_EQ(1u, u.fileInstalls.size());
    EXPECT_EQ(u"C:\\Drv\\net.inf", u.fileInstalls[0].destination);
    EXPECT_EQ(u"C:\\src\\net.inf", u.fileInstalls[0].source);
    EXPECT_EQ(6u, u.fileInstalls[0].flags);
    EXPECT_EQ(u"", u.fileInstalls[0].cabinet);
    EXPECT_EQ((std::vector<std::u16string>{u"C:\\Drv\\net.inf", u"C:\\Drv"}), u.infInstalls);
}

TEST(Update, Cost) {
    Update empty;
    EXPECT_EQ(2, empty.Cost());
    Update u;
    for (int i = 0; i < 3; ++i) u.RunApp(u"a.exe", u"", 0, true);
    u.FileInstall(u"s", u"d", 6, u"");
    u.DriverUpdate(u"usb\\vid_1", u"x.inf");
    u.DriverUpdate(u"usb\\vid_2", u"x.inf");  // the driver phase counts once
    EXPECT_EQ(30 * 3 + 3 + 200 + 2, u.Cost());
    Update v;
    v.InfRemove(u"a.inf", u"oem1.inf");
    v.DriverUninstall(u"oem1.inf");
    v.FileRemove(u"f", 6);
    v.FileMove(u"a", u"b", 6);
    v.RunApp(u"b.exe", u"", 0, false);
    EXPECT_EQ(10 + 100 + 3 + 3 + 10 + 2, v.Cost());
}

TEST(Update, RegistryChangesBySortAndRoot) {
    Update u;
    u.RegistryChange(HkeyRelative(), u"Sub", u"V", 4, 0, {1, 0, 0, 0}, 0, true);
    u.RegistryChange(platform::HkeyLocalMachine(), u"Sub", u"V", 1, 0, {}, 0, true);
    u.RegistryChange(platform::HkeyCurrentUser(), u"Sub", u"", 0, 0, {}, 0, false);
    EXPECT_EQ(1u, u.deviceRegistryAdds.size());
    EXPECT_EQ(1u, u.registryAdds.size());
    EXPECT_EQ(1u, u.registryDeletes.size());
    EXPECT_THROW(u.RegistryChange(HkeyRelative(), u"Sub", u"", 0, 0, {}, 0, false), BasicException);
    EXPECT_EQ(1u, u.registryDeletes.size()) << "nothing queued";
    EXPECT_EQ(reinterpret_cast<intptr_t>(HkeyRelative()), static_cast<intptr_t>(static_cast<int32_t>(0x80666420u)));
}

TEST(Update, RollbackLinesNeedALogUnlessLoggingIsOff) {
    Update u;
    EXPECT_THROW(u.LogRollback(u"CreateDir,%s\n", u"C:\\x"), BasicException);
    u.rollbackLogging = false;
    EXPECT_NO_THROW(u.LogRollback(u"CreateDir,%s\n", u"C:\\x"));
}

TEST(Update, OpeningAMissingLogRaisesWithItsPath) {
    Update u;
    try {
        u.OpenUninstallLog(u"C:\\no such folder\\x.log", false);
        FAIL();
    } catch (const BasicException& e) {
        EXPECT_EQ(u"C:\\no such folder\\x.log", e.description);
        EXPECT_NE(0u, e.lastError);
    }
}

}  // namespace
