#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>

#include "gui/app_test_support.h"
#include "gui/dialogs/global_options_dialog.h"
#include "options/project_options.h"

namespace quorvane::gui {
namespace {

using test::child;
using test::click;

class GlobalOptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override { test::application(); }
};

TEST_F(GlobalOptionsDialogTest, ShowsTheRecordAndStoresTheChoicesOnOk)
{
    GlobalOptions options;
    options.reduceFilter = FilterLanczos3;
    options.magFilter = FilterBilinear;
    options.loadThumbnails = 0;
    options.autoSave = 1;
    options.recentRoots = {"/photos"};
    GlobalOptionsDialog dialog(options);
    EXPECT_EQ(dialog.windowTitle(), "Global options");
    EXPECT_TRUE(child<QRadioButton>(dialog, "reduceLanczos3")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(dialog, "magBilinear")->isChecked());
    auto* loadThumbnails = child<QCheckBox>(dialog, "loadThumbnails");
    auto* autoSave = child<QCheckBox>(dialog, "autoSave");
    EXPECT_EQ(loadThumbnails->text(), "Try to load thumbnail instead of full image in preview");
    EXPECT_EQ(autoSave->text(), "Enable comments autosaving (every min)");
    EXPECT_FALSE(loadThumbnails->isChecked());
    EXPECT_TRUE(autoSave->isChecked());

    QStringList groups;
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>())
        groups << group->title();
    EXPECT_EQ(groups, QStringList({"PREVIEW Window resizing filters", "Image reduction filter",
                                   "Image magnification filter", "Misc Options"}));

    click(dialog, "reduceNone");
    click(dialog, "magNone");
    click(dialog, "loadThumbnails");
    click(dialog, "autoSave");
    click(dialog, "okButton");
    const GlobalOptions& stored = dialog.edited();
    EXPECT_EQ(stored.reduceFilter, 0);
    EXPECT_EQ(stored.magFilter, 0);
    EXPECT_EQ(stored.loadThumbnails, 1);
    EXPECT_EQ(stored.autoSave, 0);
    EXPECT_EQ(stored.recentRoots, std::vector<std::string>{"/photos"});
}

TEST_F(GlobalOptionsDialogTest, CodeWithoutAButtonChecksNothingAndIsKept)
{
    GlobalOptions options;
    options.reduceFilter = FilterBilinear;
    options.magFilter = FilterNone;
    GlobalOptionsDialog dialog(options);
    for (const char* name : {"reduceNone", "reduceBox", "reduceLanczos3", "magNone", "magBilinear"})
        EXPECT_FALSE(child<QRadioButton>(dialog, name)->isChecked()) << name;
    click(dialog, "okButton");
    EXPECT_EQ(dialog.edited().reduceFilter, FilterBilinear);
    EXPECT_EQ(dialog.edited().magFilter, FilterNone);
}

TEST_F(GlobalOptionsDialogTest, CancelLeavesTheRecordAlone)
{
    GlobalOptions options;
    test::whenModalOpens<GlobalOptionsDialog>([](GlobalOptionsDialog& dialog) {
        click(dialog, "reduceLanczos3");
        click(dialog, "autoSave");
        click(dialog, "cancelButton");
    });
    EXPECT_FALSE(editGlobalOptions(options, nullptr));
    EXPECT_EQ(options.reduceFilter, 0);
    EXPECT_EQ(options.autoSave, 1);

    test::whenModalOpens<GlobalOptionsDialog>([](GlobalOptionsDialog& dialog) {
        click(dialog, "reduceBox");
        click(dialog, "okButton");
    });
    EXPECT_TRUE(editGlobalOptions(options, nullptr));
    EXPECT_EQ(options.reduceFilter, FilterBox);
}

}  // namespace
}  // namespace quorvane::gui
