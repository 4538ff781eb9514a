// Feeds arbitrary text to the formula compiler and evaluates whatever it
// accepts over a few rows of awkward values (zeros, extremes, fractions).
#include <cstddef>
#include <cstdint>
#include <string>

#include "processing/formula.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const orvex::FormulaProgram program = orvex::CompileFormula(text);
    (void)orvex::FormulaPostfixText(program);
    constexpr int kWidth = 7;
    orvex::FormulaEvaluator evaluator(program, kWidth);
    const float samples[kWidth] = {0.0f, 1.0f, 255.0f, 65535.0f, 0.5f, 3.0e38f, 7.0f};
    for (size_t v = 0; v < program.variables.size(); ++v)
        for (int x = 0; x < kWidth; ++x) evaluator.input(static_cast<int>(v))[x] = samples[(x + v) % kWidth];
    for (int row = 0; row < 2; ++row) {
        const float* values = evaluator.Evaluate();
        if (!values) break;
        uint8_t pixels8[kWidth];
        uint16_t pixels16[kWidth];
        orvex::FormulaToPixels8(values, kWidth, pixels8);
        orvex::FormulaToPixels16(values, kWidth, pixels16);
    }
    return 0;
}
