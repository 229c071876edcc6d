// The drive chooser: which drives the list offers, the sorted list with its
// first entry preselected, and what each way out leaves in m_strSelected.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <string>
#include <vector>

#include "drive/ChooseFlash.h"
#include "drive/ScopedEnv.h"
#include "support/TempDir.h"
#include "toolkit/GuiApp.h"
#include "toolkit/ModalHook.h"

namespace {

using toolkit::ModalWindow;

// OSTREL_DRIVES declaring each letter of `letters` as a folder-backed
// removable drive.
std::string DeclareDrives(const testsupport::TempDir& dir, const std::string& letters) {
    std::string spec;
    for (char letter : letters) {
        const auto folder = dir / std::string(1, letter);
        std::filesystem::create_directories(folder);
        if (!spec.empty()) spec += ';';
        spec += std::string(1, letter) + "=" + folder.string();
    }
    return spec;
}

std::vector<std::string> Offered(const ChooseFlash& dlg) {
    return {dlg.m_strDrives, dlg.m_strDrives + dlg.m_nDrives};
}

// Each entry NUL-ended, the list ended by an empty entry.
std::string DriveList(const std::vector<std::string>& roots) {
    std::string list;
    for (const auto& root : roots) list += root + '\0';
    return list + '\0';
}

class ChooseFlashTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::GuiApp(); }
    testsupport::TempDir m_dir;
};

TEST_F(ChooseFlashTest, OffersRemovableDrivesOnlyUpperCasedAndNeverA) {
    ScopedEnv drives("OSTREL_DRIVES", DeclareDrives(m_dir, "ABEG"));
    ChooseFlash dlg;
    // C: is fixed; Q: is no drive at all; lower-case roots are upper-cased.
    const std::string list = DriveList({"a:\\", "b:\\", "C:\\", "e:\\", "G:\\", "Q:\\"});
    dlg.AddRemovableDrives(list.data());
    EXPECT_EQ(Offered(dlg), (std::vector<std::string>{"B:\\", "E:\\", "G:\\"}));
}

TEST_F(ChooseFlashTest, ReadsEveryDriveRootAndKeepsTheFirstTen) {
    // 25 removable drives and C: need more than the 100 bytes the list once had.
    ScopedEnv drives("OSTREL_DRIVES", DeclareDrives(m_dir, "ABDEFGHIJKLMNOPQRSTUVWXYZ"));
    const std::vector<char> list = ChooseFlash::LogicalDriveStrings();
    ASSERT_GT(list.size(), 104u);
    const std::string text(list.begin(), list.end());
    EXPECT_NE(text.find(std::string("Z:\\") + '\0'), std::string::npos);

    ChooseFlash dlg;
    dlg.AddRemovableDrives(list.data());
    ASSERT_EQ(dlg.m_nDrives, ChooseFlash::kMaxDrives);
    EXPECT_EQ(Offered(dlg).front(), "B:\\");
    EXPECT_EQ(Offered(dlg).back(), "L:\\");
    EXPECT_FALSE(dlg.AddDrive("Z:\\"));
    EXPECT_EQ(dlg.m_nDrives, ChooseFlash::kMaxDrives);
}

TEST_F(ChooseFlashTest, NoRemovableDriveGivesAnEmptyList) {
    ScopedEnv drives("OSTREL_DRIVES", "");
    const std::vector<char> list = ChooseFlash::LogicalDriveStrings();
    EXPECT_EQ(std::string(list.data()), "C:\\");
    ChooseFlash dlg;
    dlg.AddRemovableDrives(list.data());
    EXPECT_EQ(dlg.m_nDrives, 0);

    toolkit::ModalHook hook;
    hook.Then([](ModalWindow& w) {
        const auto* combo = w.Widget().findChild<QComboBox*>();
        EXPECT_EQ(combo->count(), 0);
        // The empty field says so, and its tooltip where to look.
        EXPECT_EQ(combo->lineEdit()->placeholderText().toStdString(), "未找到U盘");
        EXPECT_NE(combo->toolTip().toStdString().find("ostrel-cli drives"), std::string::npos);
        w.Click(IDC_CHOOSE_OK);
    });
    dlg.DoModal();
    EXPECT_TRUE(dlg.m_strSelected.empty());
}

TEST_F(ChooseFlashTest, SortedListWithTheFirstEntryPreselectedAndOkTakingIt) {
    ChooseFlash dlg;
    dlg.AddDrive("G:\\");
    dlg.AddDrive("E:\\");
    toolkit::ModalHook hook;
    hook.Then([](ModalWindow& w) {
        EXPECT_EQ(w.Caption(), "选择U盘");
        EXPECT_TRUE(w.HasFocus(IDC_CHOOSE_OK));
        const auto* combo = w.Widget().findChild<QComboBox*>();
        EXPECT_EQ(combo->count(), 2);
        EXPECT_EQ(combo->itemText(0).toStdString(), "E:\\");
        EXPECT_EQ(combo->currentIndex(), 0);
        w.Click(IDC_CHOOSE_OK);
    });
    EXPECT_EQ(dlg.DoModal(), 0);
    EXPECT_EQ(dlg.m_strSelected, "E:\\");
}

TEST_F(ChooseFlashTest, OkTakesTheSelectedEntryAfterTheUserPicksAnother) {
    ChooseFlash dlg;
    dlg.AddDrive("E:\\");
    dlg.AddDrive("G:\\");
    toolkit::ModalHook hook;
    hook.Then([](ModalWindow& w) {
        w.Widget().findChild<QComboBox*>()->setCurrentIndex(1);
        w.Click(IDC_CHOOSE_OK);
    });
    dlg.DoModal();
    EXPECT_EQ(dlg.m_strSelected, "G:\\");
}

TEST_F(ChooseFlashTest, EveryOtherWayOutLeavesNothingSelected) {
    const std::vector<std::pair<const char*, std::function<void(ModalWindow&)>>> ways = {
        {"cancel", [](ModalWindow& w) { w.Click(IDC_DECLINE); }},
        {"close box", [](ModalWindow& w) { w.CloseBox(); }},
        {"escape", [](ModalWindow& w) { w.Escape(); }},
    };
    for (const auto& [name, way] : ways) {
        ChooseFlash dlg;
        dlg.AddDrive("E:\\");
        toolkit::ModalHook hook;
        hook.Then(way);
        EXPECT_EQ(dlg.DoModal(), name == std::string("cancel") ? 0 : IDCANCEL) << name;
        EXPECT_TRUE(dlg.m_strSelected.empty()) << name;
        EXPECT_EQ(hook.Unanswered(), 0) << name;
    }
}

TEST_F(ChooseFlashTest, TypedTextNeverBecomesTheChoice) {
    ChooseFlash dlg;
    dlg.AddDrive("E:\\");
    toolkit::ModalHook hook;
    hook.Then([](ModalWindow& w) {
        auto* combo = w.Widget().findChild<QComboBox*>();
        EXPECT_TRUE(combo->isEditable());
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), "Z:\\typed");
        w.Click(IDC_CHOOSE_OK);
    });
    dlg.DoModal();
    EXPECT_TRUE(dlg.m_strSelected.empty() || dlg.m_strSelected == "E:\\") << dlg.m_strSelected;
}

}  // namespace

namespace {

// Each entry stays the drive root; its tooltip tells the drives apart.
TEST_F(ChooseFlashTest, EachEntryTellsItsSizeAndFolder) {
    std::filesystem::create_directories(m_dir / "G");
    ScopedEnv drives("OSTREL_DRIVES",
                     DeclareDrives(m_dir, "E") + ";G=" + (m_dir / "G").string() + ":size=512M");
    ChooseFlash dlg;
    dlg.AddDrive("G:\\");
    dlg.AddDrive("E:\\");
    toolkit::ModalHook hook;
    hook.Then([&](ModalWindow& w) {
        auto* combo = w.Widget().findChild<QComboBox*>();
        EXPECT_EQ(combo->itemText(1).toStdString(), "G:\\");
        const std::string tip = combo->itemData(1, Qt::ToolTipRole).toString().toStdString();
        EXPECT_NE(tip.find("容量：512 MB"), std::string::npos) << tip;
        EXPECT_NE(tip.find("文件夹：" + (m_dir / "G").string()), std::string::npos) << tip;
        EXPECT_NE(combo->toolTip().toStdString().find((m_dir / "E").string()), std::string::npos);
        combo->setCurrentIndex(1);
        EXPECT_EQ(combo->toolTip().toStdString(), tip);
        w.Click(IDC_CHOOSE_OK);
    });
    dlg.DoModal();
    EXPECT_EQ(dlg.m_strSelected, "G:\\");
}

}  // namespace
