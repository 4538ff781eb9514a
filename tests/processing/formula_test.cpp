// The formula compiler and row evaluator, and the Formula command end to end.
#include "processing/formula.h"

#include <fstream>

#include "app/commands/formula.h"
#include "processing/formula_dialogs.h"
#include "processing/toolkit_fixture.h"

namespace orvex {
namespace {

std::vector<int> evaluate8(const std::string& expression, std::vector<std::vector<float>> inputs) {
    const FormulaProgram program = CompileFormula(expression);
    EXPECT_TRUE(program.valid) << expression;
    const int width = static_cast<int>(inputs[0].size());
    FormulaEvaluator evaluator(program, width);
    for (size_t v = 0; v < program.variables.size(); ++v)
        std::copy(inputs[v].begin(), inputs[v].end(), evaluator.input(static_cast<int>(v)));
    std::vector<uint8_t> pixels(static_cast<size_t>(width));
    const float* values = evaluator.Evaluate();
    if (!values) return {};
    FormulaToPixels8(values, width, pixels.data());
    return {pixels.begin(), pixels.end()};
}

TEST(FormulaCompiler, OperatorsGoLeftToRightAndParenthesesGroup) {
    EXPECT_EQ(FormulaPostfixText(CompileFormula("A+B*C")), "AB+C*");
    EXPECT_EQ(FormulaPostfixText(CompileFormula("(A+B)/2")), "AB+2/");
    EXPECT_EQ(FormulaPostfixText(CompileFormula("a+b/2")), "AB+2/");
    // A group after an operator is computed first.
    EXPECT_EQ(FormulaPostfixText(CompileFormula("A/(B+C)")), "ABC+/");
    // Constants separated by an operator stay apart.
    EXPECT_EQ(FormulaPostfixText(CompileFormula("10+20*A")), "10 20+A*");
    EXPECT_EQ(CompileFormula("b + a*B - c").variables, "BAC");
}

TEST(FormulaCompiler, FaultyTextIsRefusedWhole) {
    for (const char* text : {"A$B", "A+", "+A", "(A+B", "A+B)", "A B", "A*-1", "", "()", "A+()"})
        EXPECT_FALSE(CompileFormula(text).valid) << text;
    for (const char* text : {"A", " ( A ) ", "A/0", "1.5.7*A", ".*A"}) EXPECT_TRUE(CompileFormula(text).valid) << text;
}

TEST(FormulaEvaluator, DivisionByZeroAndClippingAt8Bits) {
    EXPECT_EQ(evaluate8("A/B", {{10, 200, 7}, {0, 4, 0}}), (std::vector<int>{0, 50, 0}));
    EXPECT_EQ(evaluate8("A-B", {{10, 200, 7}, {20, 4, 7}}), (std::vector<int>{0, 196, 0}));
    EXPECT_EQ(evaluate8("A*1.5", {{100, 170, 171, 255}}), (std::vector<int>{150, 255, 255, 255}));
    EXPECT_EQ(evaluate8("(A+B)/2", {{10, 255}, {21, 255}}), (std::vector<int>{15, 255}));
    EXPECT_EQ(evaluate8("1.5.7*A", {{4}}), (std::vector<int>{6}));  // as a decimal run: 1.5
    EXPECT_EQ(evaluate8("2*3+A", {{1, 2}}), (std::vector<int>{7, 8}));  // constants fold
    EXPECT_EQ(evaluate8("A/(A-A)", {{9}}), (std::vector<int>{0}));
    // Overflow to infinity and then not-a-number end as 255 and 0.
    EXPECT_EQ(evaluate8("A*A*A*A*A*A*A*A*A*A*A*A", {{1000}}), (std::vector<int>{255}));
    EXPECT_EQ(evaluate8("A*A*A*A*A*A*A*A*A*A*A*A-(A*A*A*A*A*A*A*A*A*A*A*A)", {{1000}}), (std::vector<int>{0}));
    const float big[] = {70000.0f, -3.0f, 65535.9f};
    uint16_t p[3];
    FormulaToPixels16(big, 3, p);
    EXPECT_EQ(p[0], 65535);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], 65535);
}

class FormulaCommand : public testing::ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        RegisterFormulaCommands();
    }
    void run(const std::string& formula, std::vector<ImageHandle> picks = {}) {
        dialog({setText(FormulaDialog::kFormula, formula), press("OK")});
        for (ImageHandle w : picks) pick(w);
        app::commandTable().run("Advanced > Modify Image > &Formula");
    }
};

TEST_F(FormulaCommand, RatioOfTwoPickedImagesWithPaletteRegistrationAndHistory) {
    ImageHandle a = image(6, 3, 8, [](int c, int r) { return 20 * c + r; });
    ImageHandle b = image(6, 3, 8, [](int c, int) { return c; });
    std::vector<uint32_t> colours(256);
    for (uint32_t i = 0; i < 256; ++i) colours[i] = 0x000100u * i + 7;
    SetPalette(a, colours.data(), 256, PaletteCustom);
    SetRegistration(a, {10, 20}, {15, 22});
    SetRegistration(b, {10, 20}, {15, 22});
    run("A/B", {a, b});
    const ImageHandle result = ActiveImageWindow();
    ASSERT_TRUE(result);
    ASSERT_NE(result, b);
    EXPECT_EQ(LiveImage(result)->Depth(), 8);
    EXPECT_EQ(row(result, 2), (std::vector<int>{0, 22, 21, 20, 20, 20}));  // (20c + 2) / c, 0 where c = 0
    EXPECT_EQ(palette(result), colours);
    EXPECT_TRUE(LiveImage(result)->IsPositionRegistered());
    RealPoint ll, ur;
    GetCorners(result, ll, ur);
    EXPECT_DOUBLE_EQ(ll.x, 10);
    EXPECT_DOUBLE_EQ(ur.y, 22);
    EXPECT_EQ(historyLines("formula: "),
              (std::vector<std::string>{"formula: ", "  equation: A/B", "  variable: A " + name(a),
                                        "  variable: B " + name(b)}));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.progress.back(), 100);
}

TEST_F(FormulaCommand, A16BitVariableMakesA16BitResultAndTiesMustAgree) {
    ImageHandle a = image(4, 2, 16, [](int c, int) { return 20000 * c; });
    ImageHandle b = image(4, 2, 8, [](int c, int) { return 100 + c; });
    SetRegistration(a, {0, 0}, {3, 1});  // b keeps its default ties: no registration
    run("(a+b)*2", {b, a});
    const ImageHandle result = ActiveImageWindow();
    EXPECT_EQ(LiveImage(result)->Depth(), 16);
    // 8-bit values enter as they are, not scaled to 16 bits.
    EXPECT_EQ(row(result, 0), (std::vector<int>{200, 40202, 65535, 65535}));
    EXPECT_FALSE(LiveImage(result)->IsPositionRegistered());
}

TEST_F(FormulaCommand, FaultsAreReportedBeforeAnythingIsPickedOrMade) {
    ImageHandle a = image(4, 2, 8, [](int, int) { return 1; });
    run("A$2");
    run("12*3");
    run("A+");
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"ov_formula(): Error in parsing function",
                                                           "ov_formula(): No variables were found in the expression",
                                                           "ov_formula(): Error in parsing function"}));
    EXPECT_EQ(ActiveImageWindow(), a);
    EXPECT_FALSE(FindImageWindow(a.number + 1));
}

TEST_F(FormulaCommand, EscapeAndYesStopAfterTheCurrentRow) {
    ImageHandle a = image(2, 3, 8, [](int, int) { return 5; });
    ui.pendingEscapes = 1;
    dialog({setText(FormulaDialog::kFormula, "A+1"), press("OK")});
    pick(a);
    ui.queue(platform::Answer::Yes);
    app::commandTable().run("Advanced > Modify Image > &Formula");
    const ImageHandle result = ActiveImageWindow();
    ASSERT_NE(result, a);
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"Verify: Do you wish to cancel this operation?"}));
    EXPECT_EQ(row(result, 0), (std::vector<int>{6, 6}));
    EXPECT_EQ(row(result, 1), (std::vector<int>{0, 0}));
}

TEST_F(FormulaCommand, PickingStopsAtAnotherSizeAndCancelMakesNothing) {
    ImageHandle a = image(4, 2, 8, [](int, int) { return 1; });
    ImageHandle b = image(5, 2, 8, [](int, int) { return 1; });
    run("A+B", {a, b});  // b is refused: not the size of A; then the picker is cancelled
    EXPECT_EQ(ui.messageLines(),
              (std::vector<std::string>{"Error: Image needs to be the same dimensions as the previous image. (4 x 2)"}));
    EXPECT_FALSE(FindImageWindow(b.number + 1));
    ui.queue(platform::CancelAnswer{});
    app::commandTable().run("Advanced > Modify Image > &Formula");
    EXPECT_FALSE(FindImageWindow(b.number + 1));
}

TEST_F(FormulaCommand, StoredFormulasFillTheEditAndTheLastFormulaReturns) {
    std::ofstream(dir / "formulas.txt", std::ios::binary)
        << "\r\nBEGIN Formulas\r\n Name=Mean\r\n Formula=(A+B)/2\r\n Name=Double\r\n Formula=A*2\r\nEND Formulas\r\n";
    ImageHandle a = image(3, 1, 8, [](int c, int) { return 10 * c; });
    std::vector<std::string> items;
    std::string opened;
    ui.queue(platform::DialogScript{{setValue(FormulaDialog::kPreSaved, 1), press("OK")},
                                    [&](platform::DialogModel& d) {
                                        items = d.find(FormulaDialog::kPreSaved)->items;
                                    }});
    pick(a);  // after the dialog's script
    app::commandTable().run("Advanced > Modify Image > &Formula");
    EXPECT_EQ(items, (std::vector<std::string>{"Mean", "Double"}));
    EXPECT_EQ(row(ActiveImageWindow(), 0), (std::vector<int>{0, 20, 40}));
    // The next dialog opens with that formula, the first stored one selected.
    ui.queue(platform::DialogScript{{press("Cancel")}, [&](platform::DialogModel& d) {
                                        opened = d.find(FormulaDialog::kFormula)->text;
                                        EXPECT_EQ(d.find(FormulaDialog::kPreSaved)->value, 0);
                                    }});
    app::commandTable().run("Advanced > Modify Image > &Formula");
    EXPECT_EQ(opened, "A*2");
    // Without an active image window the command is greyed.
    windowList().Reset();
    EXPECT_FALSE(app::commandTable().isEnabled("Advanced > Modify Image > &Formula"));
}

}  // namespace
}  // namespace orvex
