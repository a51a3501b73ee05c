// The main-client double's site database is written with the extension's passphrase, so the
// extension reads it as it reads the real client's.
#include <gtest/gtest.h>

#include "shellext/model/site_database.h"
#include "shellext/model/site_records.h"

using namespace lark::shellext;

TEST(DoubleSiteDatabase, ReadsWithItsPasswordDeciphered) {
    auto read = LoadSiteDatabase(LARK_DOUBLE_SITE_DATABASE);
    TFtpServers& top = read->FTPServers();
    ASSERT_EQ(top.Count(), 2);
    EXPECT_EQ(top.Items(0)->ProfileName, "Home");
    EXPECT_EQ(top.Items(0)->PassWord(), "guest");
    ASSERT_EQ(top.Items(1)->Servers().Count(), 1);
    EXPECT_EQ(top.Items(1)->Servers().Items(0)->ProfileName, "Archive");
}
