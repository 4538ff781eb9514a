#include <gtest/gtest.h>

#include "platform/dialog_model.h"
#include "platform/headless_ui.h"
#include "platform/library.h"

using namespace orvex::platform;

TEST(HeadlessUi, UnansweredQuestionsTakeTheAnswerThatChangesNothing) {
    HeadlessUi ui;
    EXPECT_EQ(ui.message("Save?", "Orvex", Buttons::YesNoCancel, Icon::Question), Answer::Cancel);
    EXPECT_EQ(ui.message("Sure?", "Verify", Buttons::YesNo, Icon::Question), Answer::No);
    EXPECT_FALSE(ui.chooseFile({}).has_value());
    EXPECT_EQ(ui.unanswered.size(), 3u);
    ASSERT_EQ(ui.messageLines().size(), 2u);
    EXPECT_EQ(ui.messageLines()[1], "Verify: Sure?");
}

TEST(HeadlessUi, ScriptedAnswersAreTakenInOrderAndOnlyByTheirKindOfQuestion) {
    HeadlessUi ui;
    ui.queue(Answer::Yes);
    ui.queue(FileAnswer{"/tmp/a.tif", 1});
    // An OK box does not eat a Yes meant for the next question.
    ui.message("note", "Warning", Buttons::Ok, Icon::Warning);
    EXPECT_EQ(ui.message("Go on?", "Verify", Buttons::YesNo, Icon::Question), Answer::Yes);
    auto file = ui.chooseFile({});
    ASSERT_TRUE(file);
    EXPECT_EQ(file->path, "/tmp/a.tif");
    EXPECT_TRUE(ui.answers.empty());
    // A Yes is no answer to an OK/Cancel box: it stays queued.
    ui.queue(Answer::Yes);
    EXPECT_EQ(ui.message("x", "y", Buttons::OkCancel, Icon::None), Answer::Cancel);
    EXPECT_EQ(ui.answers.size(), 1u);
}

namespace {
class TwoFieldDialog : public DialogModel {
public:
    TwoFieldDialog() : DialogModel("Values") {
        add({.label = "Width", .kind = ControlKind::IntEdit, .text = "10"});
        add({.label = "Grey", .kind = ControlKind::Radio, .group = "palette", .value = 1});
        add({.label = "Red", .kind = ControlKind::Radio, .group = "palette"});
        add({.label = "OK", .kind = ControlKind::Button});
        add({.label = "Cancel", .kind = ControlKind::Button});
    }
};
}  // namespace

TEST(HeadlessUi, DialogScriptsDriveControlsByLabel) {
    HeadlessUi ui;
    TwoFieldDialog dialog;
    ui.queue(DialogScript{{{DialogStep::Op::SetText, "Width", "64"},
                           {DialogStep::Op::Choose, "Red"},
                           {DialogStep::Op::Press, "OK"}}});
    EXPECT_TRUE(ui.runDialog(dialog));
    EXPECT_EQ(dialog.find("Width")->text, "64");
    EXPECT_EQ(dialog.find("Grey")->value, 0);
    EXPECT_EQ(dialog.find("Red")->value, 1);

    TwoFieldDialog unanswered;
    EXPECT_FALSE(ui.runDialog(unanswered));
    EXPECT_TRUE(unanswered.closed());
}

TEST(Library, LooksForTheSystemNameAndItsLinuxForm) {
    auto names = Library::fileNames("mcapi32.dll");
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], "mcapi32.dll");
    EXPECT_EQ(names[1], "libmcapi32.so");
    EXPECT_EQ(Library::load("no-such-vendor-library.dll"), nullptr);
}
