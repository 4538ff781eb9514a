#include <gtest/gtest.h>

#include "app/value_entry.h"
#include "platform/headless_ui.h"

using namespace orvex;
using namespace orvex::app;
using platform::DialogScript;
using platform::DialogStep;

namespace {

struct UiFixture : ::testing::Test {
    platform::HeadlessUi ui;
    void SetUp() override { platform::setUi(&ui); }
    void TearDown() override { platform::setUi(nullptr); }

    DialogScript typeAndOk(std::vector<std::pair<std::string, std::string>> texts) {
        DialogScript script;
        for (auto& [label, text] : texts)
            script.steps.push_back({DialogStep::Op::SetText, label, text});
        script.steps.push_back({DialogStep::Op::Press, "OK"});
        return script;
    }
};

ValueRequest threeKinds() {
    ValueRequest r;
    r.title = "Threshold";
    r.fields.push_back({.label = "Count", .kind = ValueKind::Integer, .integer = 7});
    r.fields.push_back({.label = "Scale", .kind = ValueKind::Real, .real = 2.5});
    r.fields.push_back({.label = "Invert", .kind = ValueKind::YesNo, .yes = true});
    return r;
}

}  // namespace

TEST_F(UiFixture, DefaultsAreShownInTheirKindsFormAndHiddenFieldsStayHidden) {
    ValueRequest r = threeKinds();
    ValueEntryDialog dialog(r);
    EXPECT_EQ(dialog.find("Count")->text, "7");
    EXPECT_EQ(dialog.find("Scale")->text, "2.500");
    EXPECT_EQ(dialog.find("Invert")->text, "Yes");
    int visibleEdits = 0;
    for (const auto& c : dialog.controls())
        if (c.kind == platform::ControlKind::Edit && c.visible) ++visibleEdits;
    EXPECT_EQ(visibleEdits, 3);
    r.cancelAllowed = false;
    ValueEntryDialog noCancel(r);
    EXPECT_FALSE(noCancel.find("Cancel")->enabled);
}

TEST_F(UiFixture, EachKindRefusesWhatItCannotTakeWithTheFieldLabelAsCaption) {
    ValueRequest r = threeKinds();
    ui.queue(typeAndOk({{"Count", "12.0"}}));
    EXPECT_FALSE(EnterValues(r));
    ASSERT_EQ(ui.messageLines().size(), 1u);
    EXPECT_EQ(ui.messageLines()[0], "Count: Entry must be a integral number");
    EXPECT_EQ(r.fields[0].integer, 7);  // nothing stored from a refused form

    ui.clear();
    ui.queue(typeAndOk({{"Scale", "1.5x"}}));
    EXPECT_FALSE(EnterValues(r));
    EXPECT_EQ(ui.messageLines().at(0), "Scale: Entry must be numeric");

    ui.clear();
    ui.queue(typeAndOk({{"Invert", "maybe"}}));
    EXPECT_FALSE(EnterValues(r));
    EXPECT_EQ(ui.messageLines().at(0), "Invert: Entry must be 'Yes' or 'No'");

    ui.clear();
    r.fields[1].required = true;
    ui.queue(typeAndOk({{"Count", "x"}, {"Scale", ""}}));
    EXPECT_FALSE(EnterValues(r));
    // Fields are tested in order: only the first failure is shown.
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messageLines()[0], "Count: Entry must be a integral number");
}

TEST_F(UiFixture, RequiredFieldLeftEmptyIsRefused) {
    ValueRequest r;
    r.fields.push_back({.label = "Name", .kind = ValueKind::Text, .required = true});
    ui.queue(typeAndOk({{"Name", "  "}}));
    EXPECT_FALSE(EnterValues(r));
    EXPECT_EQ(ui.messageLines().at(0), "Name: Value must be filled in");
}

TEST_F(UiFixture, AcceptedValuesAreConvertedAndWrittenBack) {
    ValueRequest r = threeKinds();
    ui.queue(typeAndOk({{"Count", "-42"}, {"Scale", "1e3"}, {"Invert", "no thanks"}}));
    ASSERT_TRUE(EnterValues(r));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(r.fields[0].integer, -42);
    EXPECT_DOUBLE_EQ(r.fields[1].real, 1000.0);
    EXPECT_FALSE(r.fields[2].yes);

    ui.queue(typeAndOk({{"Invert", "yes"}}));
    ASSERT_TRUE(EnterValues(r));
    EXPECT_TRUE(r.fields[2].yes);
}

TEST_F(UiFixture, CancelledOrUnansweredEntryReturnsFalseAndKeepsDefaults) {
    ValueRequest r = threeKinds();
    EXPECT_FALSE(EnterValues(r));  // nobody answered: Cancel
    EXPECT_EQ(r.fields[0].integer, 7);
    ui.queue(DialogScript{{{DialogStep::Op::SetText, "Count", "9"}, {DialogStep::Op::Press, "Cancel"}}});
    EXPECT_FALSE(EnterValues(r));
    EXPECT_EQ(r.fields[0].integer, 7);
}
