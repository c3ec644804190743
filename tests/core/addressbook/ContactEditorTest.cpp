#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "../ChildDirectory.h"
#include "../TempDir.h"
#include "../TreeBuilders.h"
#include "core/addressbook/ContactEditor.h"
#include "core/addressbook/ContactTags.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"

namespace brivanta {
namespace {

using text::gbk;

// Images by tag, as the desktop's icon list hands them out.
class TagImages : public NodeIconChooser {
  public:
    int imageForTag(std::string_view tag) override {
        static const std::map<std::string, int, std::less<>> images = {
            {gbk("男"), 15}, {gbk("女"), 16}, {gbk("日期"), 17}, {gbk("电话"), 9}};
        auto it = images.find(tag);
        return it == images.end() ? -1 : it->second;
    }
    int imageForAddress(std::string_view) override { return -1; }
};

class ContactEditorTest : public ::testing::Test {
  protected:
    ContactEditorTest() { tree.setIconChooser(&images); }

    ItemId folder(const char* name, ItemId parent = kNoItem) {
        return tree.InsertNode({gbk(name), "", ""}, parent);
    }
    std::string describe(ItemId parent = kNoItem) const {
        return text::toUtf8(testing::describe(tree, parent));
    }
    static Contact sample() {
        Contact c;
        c.name = gbk("张三");
        c.sex = 0;
        c.birthday = DateTime{2000, 1, 1, 12, 30, 15};
        c.details = {{gbk("电话：12345"), gbk("电话"), "12345"},
                     {gbk("Email：z@example.cn"), "Email", "z@example.cn"}};
        return c;
    }

    TagImages images;
    BookmarkTree tree{kAddressBookTree};
};

TEST_F(ContactEditorTest, AContactWithoutBirthdayOrDetailsIsOneEntryWithTheImageOfItsSex) {
    ItemId group = folder("同事");
    for (int sex : {0, 1}) {
        ContactEditor editor(tree, group, &images);
        EXPECT_EQ(editor.mode(), ContactMode::Add);
        Contact c;
        c.name = gbk(sex ? "李娜" : "王伟");
        c.sex = sex;
        ASSERT_EQ(editor.save(c), ContactSaveOutcome::Saved);
        ItemId item = editor.lastSaved();
        EXPECT_EQ(tree.parent(item), group);
        EXPECT_EQ(*tree.LookupRecord(item), (NodeRecord{c.name, "", gbk(sex ? "女" : "男")}));
        EXPECT_EQ(tree.image(item), sex ? 16 : 15);
        EXPECT_FALSE(tree.hasChildren(item));
    }
    EXPECT_EQ(describe(), "同事|{王伟||男;李娜||女;};");
}

TEST_F(ContactEditorTest, AddingWritesTheBirthdayFirstThenTheDetailsInListOrder) {
    ContactEditor editor(tree, kNoItem, &images);
    Contact c = sample();
    c.name = "  \t" + c.name;  // leading blanks are not part of the name
    ASSERT_EQ(editor.save(c), ContactSaveOutcome::Saved);
    EXPECT_EQ(describe(),
              "张三||男{生日：Saturday,January 01, 2000|2000.1.1.12.30.15|日期;"
              "电话：12345|12345|电话;Email：z@example.cn|z@example.cn|Email;};");
    ItemId contact = editor.lastSaved();
    EXPECT_TRUE(tree.isExpanded(contact));
    EXPECT_EQ(tree.image(tree.firstChild(contact)), 17);
    EXPECT_EQ(tree.image(tree.child(contact, 1)), 9);
}

TEST_F(ContactEditorTest, AddModeStaysOnTheSameFolderForEverySave) {
    ItemId friends = folder("朋友");
    ItemId other = folder("其他");
    ContactEditor editor(tree, friends);
    Contact c;
    c.name = gbk("甲");
    ASSERT_EQ(editor.save(c), ContactSaveOutcome::Saved);
    c.name = gbk("乙");
    c.sex = 1;
    ASSERT_EQ(editor.save(c), ContactSaveOutcome::Saved);
    EXPECT_EQ(editor.mode(), ContactMode::Add);
    EXPECT_EQ(describe(friends), "甲||男;乙||女;");
    EXPECT_FALSE(tree.hasChildren(other));
}

TEST_F(ContactEditorTest, AnEmptyOrBlankNameChangesNothing) {
    ItemId group = folder("同事");
    ContactEditor adding(tree, group);
    ContactEditor other(tree, kNoItem);
    ASSERT_EQ(other.save(sample()), ContactSaveOutcome::Saved);
    ContactEditor editing(tree, other.lastSaved());
    const std::string before = describe();
    const ItemId next = tree.nextItemData();
    for (const char* name : {"", " ", " \t\r\n"}) {
        Contact c = sample();
        c.name = name;
        EXPECT_EQ(adding.save(c), ContactSaveOutcome::EmptyName);
        EXPECT_EQ(editing.save(c), ContactSaveOutcome::EmptyName);
    }
    EXPECT_EQ(describe(), before);
    EXPECT_EQ(tree.nextItemData(), next);
}

TEST_F(ContactEditorTest, EditingReadsTheContactAndReplacesEveryDetailWithFreshEntries) {
    ItemId group = folder("同事");
    ContactEditor adding(tree, group);
    ASSERT_EQ(adding.save(sample()), ContactSaveOutcome::Saved);
    ItemId contact = adding.lastSaved();
    std::vector<ItemId> oldDetails;
    for (ItemId c = tree.firstChild(contact); c != kNoItem; c = tree.nextSibling(c))
        oldDetails.push_back(c);
    tree.setLabel(contact, "renamed in place");

    ContactEditor editor(tree, contact, &images);
    ASSERT_EQ(editor.mode(), ContactMode::Edit);
    const Contact& read = editor.original();
    EXPECT_EQ(read.name, gbk("张三"));
    EXPECT_EQ(read.sex, 0);
    EXPECT_EQ(read.birthday, (DateTime{2000, 1, 1, 12, 30, 15}));
    EXPECT_EQ(read.details, sample().details);

    Contact changed = read;
    changed.name = gbk("张三丰");
    changed.sex = 1;
    changed.birthday.reset();
    changed.details.erase(changed.details.begin());
    changed.details.push_back({gbk("手机"), gbk("手机"), gbk("手机")});  // no colon: all content
    const ItemId before = tree.nextItemData();
    ASSERT_EQ(editor.save(changed), ContactSaveOutcome::Saved);
    EXPECT_EQ(editor.lastSaved(), contact);
    EXPECT_EQ(describe(group),
              "张三丰||女{Email：z@example.cn|z@example.cn|Email;手机|手机|手机;};");
    EXPECT_EQ(tree.image(contact), 16);
    for (ItemId old : oldDetails)
        EXPECT_FALSE(tree.contains(old));
    for (ItemId c = tree.firstChild(contact); c != kNoItem; c = tree.nextSibling(c))
        EXPECT_GT(c, before);
}

TEST_F(ContactEditorTest, EditingKeepsWhatWasPutBelowTheContactThatIsNoDetail) {
    ContactEditor adding(tree, kNoItem);
    ASSERT_EQ(adding.save(sample()), ContactSaveOutcome::Saved);
    ItemId contact = adding.lastSaved();
    // A pasted folder with a link, and a contact dropped onto the contact.
    ItemId pasted = folder("资料", contact);
    tree.InsertNode({"doc", "http://example.cn/", ""}, pasted);
    ItemId inner = tree.InsertNode({gbk("李四"), "", gbk("男")}, contact);

    ContactEditor editor(tree, contact);
    EXPECT_EQ(editor.original().details.size(), 2u);  // neither shows as a detail row
    Contact c = editor.original();
    c.details.clear();
    c.birthday.reset();
    ASSERT_EQ(editor.save(c), ContactSaveOutcome::Saved);
    EXPECT_EQ(describe(contact), "资料|{doc|http://example.cn/;};李四||男;");
    EXPECT_TRUE(tree.contains(inner));
}

TEST_F(ContactEditorTest, AStoredBirthdayThatIsNoDateGivesNoBirthdayAndIsDroppedOnSave) {
    ItemId contact = tree.InsertNode({gbk("王五"), "", gbk("女")});
    tree.InsertNode({gbk("生日：?"), "2001.2.29.0.0.0", gbk("日期")}, contact);
    tree.InsertNode({gbk("主页：x"), "http://x.cn/", gbk("主页")}, contact);
    ContactEditor editor(tree, contact);
    EXPECT_EQ(editor.original().sex, 1);
    EXPECT_FALSE(editor.original().birthday.has_value());
    ASSERT_EQ(editor.original().details.size(), 1u);
    ASSERT_EQ(editor.save(editor.original()), ContactSaveOutcome::Saved);
    EXPECT_EQ(describe(), "王五||女{主页：x|http://x.cn/|主页;};");
}

TEST_F(ContactEditorTest, ADetailIsSelectedTheNewContactGoesBesideItsContact) {
    ItemId group = folder("同事");
    ContactEditor first(tree, group);
    ASSERT_EQ(first.save(sample()), ContactSaveOutcome::Saved);
    ItemId detail = tree.firstChild(first.lastSaved());

    ContactEditor editor(tree, detail);
    EXPECT_EQ(editor.mode(), ContactMode::Add);
    EXPECT_EQ(editor.parentForNew(), group);
    Contact c;
    c.name = gbk("赵六");
    ASSERT_EQ(editor.save(c), ContactSaveOutcome::Saved);
    EXPECT_EQ(tree.parent(editor.lastSaved()), group);
}

TEST_F(ContactEditorTest, WhenTheEntryIsGoneBeforeTheSaveTheContactGoesToTheTopLevel) {
    ItemId group = folder("同事");
    ItemId old = tree.InsertNode({gbk("旧"), "", gbk("男")}, group);
    ContactEditor adding(tree, group);
    ContactEditor editing(tree, old);
    tree.DeleteNode(group);
    Contact c;
    c.name = gbk("新");
    ASSERT_EQ(adding.save(c), ContactSaveOutcome::Saved);
    c.name = gbk("改");
    ASSERT_EQ(editing.save(c), ContactSaveOutcome::Saved);
    EXPECT_EQ(describe(), "新||男;改||男;");
    // Editing on: the same new entry is replaced, not a third one added.
    c.name = gbk("再改");
    ASSERT_EQ(editing.save(c), ContactSaveOutcome::Saved);
    EXPECT_EQ(describe(), "新||男;再改||男;");
}

TEST_F(ContactEditorTest, NothingSelectedOrAnUnknownItemAddsAtTheTopLevel) {
    for (ItemId selected : {kNoItem, ItemId(77)}) {
        ContactEditor editor(tree, selected);
        EXPECT_EQ(editor.mode(), ContactMode::Add);
        EXPECT_EQ(editor.parentForNew(), kNoItem);
        EXPECT_TRUE(editor.original().name.empty());
    }
}

TEST_F(ContactEditorTest, ContactsSurviveSavingAndLoadingTheAddressBookFile) {
    testing::TempDir dir;
    ItemId group = folder("同事");
    ContactEditor editor(tree, group);
    ASSERT_EQ(editor.save(sample()), ContactSaveOutcome::Saved);
    Contact plain;
    plain.name = gbk("李娜");
    plain.sex = 1;
    ASSERT_EQ(editor.save(plain), ContactSaveOutcome::Saved);
    std::filesystem::create_directory(dir.file("Data"));
    ASSERT_FALSE(SaveTree(tree, dir.file("Data/alice.ads")));
    // A bare name means the file in Data; the link there is relative too.
    std::filesystem::create_symlink("alice.ads", dir.file("Data/link.ads"));

    // Relative names resolve from the working directory: the loads run where it is `dir`.
    EXPECT_TRUE(testing::inChildDirectory(dir.path(), [&] {
        for (const char* name : {"Data/alice.ads", "alice.ads", "link.ads"}) {
            BookmarkTree loaded(kAddressBookTree);
            ASSERT_TRUE(LoadTree(loaded, name)) << name;
            EXPECT_EQ(testing::describe(loaded), testing::describe(tree)) << name;
            ItemId zhang = loaded.firstChild(loaded.firstChild(kNoItem));
            std::optional<Contact> back = readContact(loaded, zhang);
            ASSERT_TRUE(back.has_value());
            EXPECT_EQ(back->name, gbk("张三"));
            EXPECT_EQ(back->birthday, sample().birthday);
            EXPECT_EQ(back->details, sample().details);
            std::optional<Contact> li = readContact(loaded, loaded.nextSibling(zhang));
            ASSERT_TRUE(li.has_value());
            EXPECT_EQ(li->sex, 1);
            EXPECT_TRUE(li->details.empty());
            // The contact's empty address and the folder's empty tag read back empty.
            EXPECT_EQ(*loaded.LookupRecord(zhang), (NodeRecord{gbk("张三"), "", gbk("男")}));
            EXPECT_EQ(*loaded.LookupRecord(loaded.firstChild(kNoItem)),
                      (NodeRecord{gbk("同事"), "", ""}));
        }
    }));
}

struct LabelCase {
    std::string label;  // GBK
    std::string content;
};

class LabelLine : public ::testing::TestWithParam<LabelCase> {};

TEST_P(LabelLine, ContentIsWhatFollowsTheFirstColonOrTheWholeLine) {
    EXPECT_EQ(contentOfLabel(GetParam().label), GetParam().content);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, LabelLine,
    ::testing::Values(LabelCase{gbk("电话：12345"), "12345"}, LabelCase{"12345", "12345"},
                      LabelCase{gbk("："), ""}, LabelCase{"", ""},
                      LabelCase{gbk("地址：北京：海淀"), gbk("北京：海淀")},
                      LabelCase{gbk("电话:123"), gbk("电话:123")},  // a half-width colon is text
                      // The colon's two bytes across two characters ("埃好") are no colon.
                      LabelCase{"\xB0\xA3\xBA\xC3", "\xB0\xA3\xBA\xC3"},
                      LabelCase{"\xB0\xA3\xBA\xC3" + gbk("：x"), "x"},
                      // A four-byte character before the colon.
                      LabelCase{"\x81\x30\xA3\x39" + gbk("：y"), "y"}));

TEST(ContactTags, TypesInTheirOrderAndTheLabelOfANewDetail) {
    std::vector<std::string> types;
    for (const std::string& t : detailTypes())
        types.push_back(text::toUtf8(t));
    EXPECT_EQ(types, (std::vector<std::string>{"单位", "地址", "部门", "职务", "电话", "传真",
                                               "传呼", "手机", "Email", "主页", "OICQ", "其他"}));
    EXPECT_EQ(labelForType(gbk("电话")), gbk("电话："));
    EXPECT_EQ(labelForType(""), gbk("："));
    EXPECT_TRUE(isContactTag(gbk("男")));
    EXPECT_TRUE(isContactTag(gbk("女")));
    EXPECT_FALSE(isContactTag(gbk("日期")));
    EXPECT_FALSE(isContactTag(""));
}

}  // namespace
}  // namespace brivanta
