#pragma once
// Arithmetic over images: an expression of variables A-Z (one image each),
// decimal constants and the operators + - * /, evaluated a whole row at a
// time. Operators apply from left to right without precedence (A+B*C is
// (A+B)*C); parentheses group.
#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

/// One step of the postfix program.
struct FormulaStep {
    enum class Op : uint8_t { Variable, Constant, Add, Subtract, Multiply, Divide };
    Op op = Op::Constant;
    int variable = 0;     // index into the program's variables (Variable)
    float constant = 0;   // value (Constant)
};

/// An expression compiled once; rows are then evaluated without parsing.
struct FormulaProgram {
    /// Distinct letters in order of first appearance (the expression upper-cased).
    std::string variables;
    std::vector<FormulaStep> steps;
    /// False when the text holds a character outside the language, the
    /// parentheses do not pair, or an operator lacks an operand.
    bool valid = false;
    /// Deepest evaluation stack the program needs.
    int depth = 0;
};

/// Upper-cases, tokenises and rewrites the expression to postfix.
FormulaProgram CompileFormula(const std::string& expression);

/// The postfix program as text ("AB+2/"), blanks between adjacent constants.
std::string FormulaPostfixText(const FormulaProgram& program);

/// Rows of one evaluation: the input rows of every variable, the stack of
/// work rows, sized once for the image width.
class FormulaEvaluator {
public:
    FormulaEvaluator(const FormulaProgram& program, int width);

    /// The row buffer of variable i, to be filled before Evaluate.
    float* input(int variable) { return inputs_[static_cast<size_t>(variable)].data(); }
    int width() const { return width_; }

    /// Evaluates the program over the current input rows; the result row
    /// (width values) or null when the program is not valid.
    const float* Evaluate();

private:
    struct Entry {
        bool constant = false;
        float value = 0;
        float* row = nullptr;  // a work row, or an input row (read only) when not owned
        bool owned = false;
    };
    const FormulaProgram& program_;
    int width_;
    std::vector<std::vector<float>> inputs_;
    std::vector<std::vector<float>> work_;
    std::vector<Entry> stack_;
    std::vector<float> constantRow_;
};

/// Pixel values of an evaluated row: above max becomes max, negative (and
/// not-a-number) 0, otherwise the integer part.
void FormulaToPixels8(const float* values, int width, uint8_t* pixels);
void FormulaToPixels16(const float* values, int width, uint16_t* pixels);

}  // namespace orvex
