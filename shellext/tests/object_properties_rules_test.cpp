// What the folder and remote object property dialogs decide, over a model whose main client is
// the in-process fake.
#include "shellext/object_properties_rules.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/datetime.h"
#include "mainclient_fake/fake_main_client.h"

using namespace lark;
using namespace lark::shellext;
using mainclient::fake::FakeMainClient;
using mainclient::fake::FailureReply;
using mainclient::fake::TextReply;
using mainclient::fake::ValueReply;

namespace {

constexpr auto U = BoxState::Unchecked;
constexpr auto C = BoxState::Checked;
constexpr auto M = BoxState::Mixed;

class ObjectPropertiesRules : public ::testing::Test {
protected:
    TFTPObject* AddSite(TFTPObjects& level, const std::string& name, bool folder = false) {
        TFTPObject* node = level.AddNewRecord();
        node->ServerInfo()->ProfileName = name;
        node->ServerInfo()->IsFolder = folder;
        return node;
    }
    // A site listed with files of the given permission columns, named f0, f1, ...
    std::vector<TFSObject*> Files(const std::vector<std::string>& modes) {
        TFTPObject* site = AddSite(model.Nodes(), "S");
        std::string listing;
        for (std::size_t i = 0; i < modes.size(); ++i)
            listing += modes[i] + " 1 owner group 7 Jan 10  2003 f" + std::to_string(i) + "\r\n";
        client->Script("ListDirectory", TextReply(listing));
        EXPECT_TRUE(site->LoadContent());
        client->ClearCalls();
        std::vector<TFSObject*> files;
        for (int i = 0; i < site->Content()->Count(); ++i) files.push_back(site->Content()->Items(i));
        return files;
    }

    std::shared_ptr<FakeMainClient> client = std::make_shared<FakeMainClient>();
    bool clientMissing = false;
    core::FixedClock clock{core::EncodeDate(2024, 6, 15)};
    TFTPContainer model{ModelServices{[this]() -> std::shared_ptr<mainclient::MainClient> {
                                          if (clientMissing) throw mainclient::AutomationError(-1, "no main client");
                                          return client;
                                      },
                                      nullptr, &clock}};
    localization::FakeMessageBox box;
    std::unique_ptr<TDM> dm = std::make_unique<TDM>();
    FolderContext context{model, *dm, box};
};

}  // namespace

TEST(PermissionBoxes, NumericTextIsTheOctalModeAndThePermStringFollowsTheBits) {
    struct Case {
        std::uint16_t bits;
        const char* numeric;
        const char* file;
    } cases[] = {
        {0x1 | 0x2 | 0x8 | 0x40, "644", "-rw-r--r--"},
        {0x1FF & ~(0x10 | 0x80), "755", "-rwxr-xr-x"},
        {0x100, "1", "---------x"},
        {0, "0", "----------"},
        {0x1FF, "777", "-rwxrwxrwx"},
        {0x1 | 0x2, "600", "-rw-------"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.numeric);
        EXPECT_EQ(NumericTextOf(c.bits), c.numeric);
        EXPECT_EQ(NumericText(BoxesOf(c.bits)), c.numeric);
        EXPECT_EQ(PermStringOf(c.bits, false), c.file);
        EXPECT_EQ(PermStringOf(c.bits, true).substr(1), PermStringOf(c.bits, false).substr(1));
        EXPECT_EQ(PermStringOf(c.bits, true)[0], 'd');
    }
}

TEST(PermissionBoxes, AMixedBoxCyclesToCheckedThenAlternates) {
    BoxState s = M;
    std::vector<BoxState> seen;
    for (int i = 0; i < 4; ++i) seen.push_back(s = NextBoxState(s));
    EXPECT_EQ(seen, (std::vector<BoxState>{C, U, C, U}));
    EXPECT_EQ(NextBoxState(U), C);
    EXPECT_EQ(NextBoxState(C), U);
}

TEST(PermissionBoxes, SeveralObjectsMixWhereTheyDisagreeAndKeepTheirOwnMixedBits) {
    const std::uint16_t m644 = 0x1 | 0x2 | 0x8 | 0x40, m600 = 0x1 | 0x2;
    const BoxStates boxes = BoxesOf(std::vector<std::uint16_t>{m644, m644, m600});
    EXPECT_EQ(boxes, (BoxStates{C, C, U, M, U, U, M, U, U}));
    EXPECT_EQ(NumericText(boxes), "600");  // mixed adds nothing to the shown text
    // No click: every object gets its own mode again.
    EXPECT_EQ(NumericTextOf(PermissionsFor(boxes, m644)), "644");
    EXPECT_EQ(NumericTextOf(PermissionsFor(boxes, m600)), "600");
    // A mixed box clicked once is checked for all; an unchecked box stays clear.
    BoxStates clicked = boxes;
    clicked[3] = NextBoxState(clicked[3]);
    EXPECT_EQ(NumericTextOf(PermissionsFor(clicked, m600)), "640");
    EXPECT_EQ(NumericTextOf(PermissionsFor(clicked, m644)), "644");
    // Bits outside the nine survive.
    EXPECT_EQ(PermissionsFor(BoxesOf(0), 0x200 | 0x1), 0x200);
    // A first object that disagrees with the rest starts the mix the other way round.
    EXPECT_EQ(BoxesOf(std::vector<std::uint16_t>{m600, m644})[3], M);
    EXPECT_EQ(BoxesOf(std::vector<std::uint16_t>{m600, m600}), BoxesOf(m600));
    EXPECT_THROW(BoxesOf(std::vector<std::uint16_t>{}), core::Error);
}

TEST(SizeTexts, ThresholdsUnitsAndTheDecimalSeparator) {
    struct Case {
        std::int64_t size;
        const char* text;
    } cases[] = {
        {0, "0 bytes"},
        {999, "999 bytes"},
        {1000, "0,98 Kb"},
        {1024, "1,00 Kb"},
        {999999, "976,56 Kb"},
        {1000000, "0,95 Mb"},
        {1048576, "1,00 Mb"},
        {4LL * 1024 * 1024 * 1024, "4096,00 Mb"},  // a total beyond 32 bits
    };
    for (const Case& c : cases) EXPECT_EQ(SizeText(c.size, "%d bytes", " Kb", " Mb", ","), c.text);
    EXPECT_EQ(SizeText(1000, "%d Bytes", " KB", " MB", "."), "0.98 KB");
}

TEST_F(ObjectPropertiesRules, FolderCountsSiblingsAndParentPath) {
    TFTPObject* work = AddSite(model.Nodes(), "Work", true);
    TFTPObject* other = AddSite(model.Nodes(), "Other", true);
    AddSite(model.Nodes(), "Site");
    TFTPObject* inner = AddSite(work->Children(), "Inner", true);
    AddSite(work->Children(), "A");
    AddSite(work->Children(), "B");
    AddSite(inner->Children(), "Deep", true);

    EXPECT_EQ(CountMembers(*work).folders, 1);
    EXPECT_EQ(CountMembers(*work).profiles, 2);
    EXPECT_EQ(CountMembers(*other).folders + CountMembers(*other).profiles, 0);

    const std::vector<std::string> siblings = SiblingFolderNames(*work);
    EXPECT_EQ(siblings, std::vector<std::string>{"Other"});  // not itself, not the profile
    EXPECT_TRUE(NameTaken(siblings, "oTHER"));
    EXPECT_FALSE(NameTaken(siblings, "Site"));  // a sibling profile's name is allowed
    EXPECT_FALSE(NameTaken(siblings, "Work"));  // its own name too
    EXPECT_TRUE(SiblingFolderNames(*inner).empty());

    EXPECT_EQ(ParentFolderPath(*work), "\\");
    EXPECT_EQ(ParentFolderPath(*inner), "Work\\");
    EXPECT_EQ(ParentFolderPath(*inner->Children().Items(0)), "Work\\Inner\\");
}

TEST_F(ObjectPropertiesRules, FolderRenameTellsTheMainClientAndRestoresTheNameWhenTheCallRaises) {
    TFTPObject* work = AddSite(model.Nodes(), "Work", true);
    TFTPObject* inner = AddSite(work->Children(), "Inner", true);

    EXPECT_TRUE(ApplyFolderRename(context, *inner, "Renamed"));
    EXPECT_EQ(inner->ServerInfo()->ProfileName, "Renamed");
    EXPECT_EQ(client->CallLines(),
              std::vector<std::string>{"ModifyProfile|Work\\|Renamed|||||0||||0|0|0|0|||0||"});

    // A negative result is not examined.
    client->ClearCalls();
    client->Script("ModifyProfile", ValueReply(-1));
    EXPECT_TRUE(ApplyFolderRename(context, *work, "Job"));
    EXPECT_EQ(work->ServerInfo()->ProfileName, "Job");
    EXPECT_EQ(client->CallLines().at(0).rfind("ModifyProfile|\\|Job|", 0), 0u);

    // The call raises: the old name comes back.
    client->Script("ModifyProfile", FailureReply());
    EXPECT_FALSE(ApplyFolderRename(context, *work, "Lost"));
    EXPECT_EQ(work->ServerInfo()->ProfileName, "Job");

    // No main client: nothing changes, nothing is called.
    client->ClearCalls();
    clientMissing = true;
    EXPECT_FALSE(ApplyFolderRename(context, *work, "Lost"));
    EXPECT_EQ(work->ServerInfo()->ProfileName, "Job");
    EXPECT_TRUE(client->CallLines().empty());
}

TEST_F(ObjectPropertiesRules, PermissionsGoToTheMainClientAndUpdateOnlyWhatItAccepted) {
    std::vector<TFSObject*> files = Files({"-rw-r--r--", "-rw-r--r--", "-rw-------", "-rwxr-xr-x"});
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[0]->Permissions, 0x1 | 0x2 | 0x8 | 0x40);
    const std::vector<TFSObject*> three(files.begin(), files.begin() + 3);
    std::vector<std::uint16_t> bits;
    for (TFSObject* f : three) bits.push_back(f->Permissions);

    // No click: the same modes again; the second is refused (negative) and stays as it was.
    client->Script("SetAttributes", ValueReply(0));
    client->Script("SetAttributes", ValueReply(-5));
    const std::string before = files[1]->PermString;
    files[1]->PermString = "as listed";
    EXPECT_EQ(ApplyPermissions(context, three, BoxesOf(bits)), 2);
    EXPECT_EQ(client->CallLines(), (std::vector<std::string>{"SetAttributes|1|/f0|644", "SetAttributes|1|/f1|644",
                                                             "SetAttributes|1|/f2|600"}));
    EXPECT_EQ(files[0]->PermString, before);
    EXPECT_EQ(files[1]->PermString, "as listed");

    // Group write checked for all; the second call raises: the first keeps its update, the rest
    // are untouched.
    client->ClearCalls();
    BoxStates boxes = BoxesOf(bits);
    boxes[4] = C;
    client->Script("SetAttributes", ValueReply(0));
    client->Script("SetAttributes", FailureReply());
    EXPECT_EQ(ApplyPermissions(context, three, boxes), 1);
    EXPECT_EQ(client->CallLines().size(), 2u);
    EXPECT_EQ(client->CallLines()[0], "SetAttributes|1|/f0|664");
    EXPECT_EQ(files[0]->PermString, "-rw-rw-r--");
    EXPECT_EQ(NumericTextOf(files[0]->Permissions), "664");
    EXPECT_EQ(NumericTextOf(files[2]->Permissions), "600");

    // One object unchecked entirely sends 0; a directory keeps its "d".
    client->ClearCalls();
    EXPECT_EQ(ApplyPermissions(context, {files[3]}, BoxesOf(0)), 1);
    EXPECT_EQ(client->CallLines(), std::vector<std::string>{"SetAttributes|1|/f3|0"});
    EXPECT_EQ(files[3]->PermString, "----------");

    // No main client: nothing changes.
    clientMissing = true;
    EXPECT_EQ(ApplyPermissions(context, {files[0]}, BoxesOf(0x1FF)), 0);
    EXPECT_EQ(NumericTextOf(files[0]->Permissions), "664");
}
