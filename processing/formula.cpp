#include "processing/formula.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvex {

namespace {

// Deeper programs are refused: each level costs one row per evaluation.
constexpr int kMaxDepth = 256;

bool isOperator(char c) { return c == '+' || c == '-' || c == '*' || c == '/'; }

FormulaStep::Op operatorOp(char c) {
    switch (c) {
        case '+': return FormulaStep::Op::Add;
        case '-': return FormulaStep::Op::Subtract;
        case '*': return FormulaStep::Op::Multiply;
        default: return FormulaStep::Op::Divide;
    }
}

// The decimal value of a run of digits and points; like atof, the text
// after a second point is ignored.
float numberValue(const std::string& text, size_t begin, size_t end) {
    double value = 0, scale = 1;
    bool fraction = false;
    for (size_t i = begin; i < end; ++i) {
        const char c = text[i];
        if (c == '.') {
            if (fraction) break;
            fraction = true;
            continue;
        }
        if (fraction) {
            scale /= 10;
            value += (c - '0') * scale;
        } else {
            value = value * 10 + (c - '0');
        }
    }
    return static_cast<float>(value);
}

inline float divide(float s, float r) { return r == 0 ? 0.0f : s / r; }

float apply(FormulaStep::Op op, float s, float r) {
    switch (op) {
        case FormulaStep::Op::Add: return s + r;
        case FormulaStep::Op::Subtract: return s - r;
        case FormulaStep::Op::Multiply: return s * r;
        default: return divide(s, r);
    }
}

// out[i] = s op r over a row; either side may be a constant. Kept as plain
// loops per operator so the compiler can vectorise them.
template <class S, class R>
void applyRow(FormulaStep::Op op, S s, R r, float* out, int n) {
    switch (op) {
        case FormulaStep::Op::Add:
            for (int i = 0; i < n; ++i) out[i] = s(i) + r(i);
            break;
        case FormulaStep::Op::Subtract:
            for (int i = 0; i < n; ++i) out[i] = s(i) - r(i);
            break;
        case FormulaStep::Op::Multiply:
            for (int i = 0; i < n; ++i) out[i] = s(i) * r(i);
            break;
        default:
            for (int i = 0; i < n; ++i) out[i] = divide(s(i), r(i));
            break;
    }
}

template <class Pixel>
void toPixels(const float* values, int width, Pixel* pixels, float max) {
    for (int i = 0; i < width; ++i) {
        const float v = values[i];
        // Written so that not-a-number falls through to 0.
        pixels[i] = v > max ? static_cast<Pixel>(max) : (v >= 0 ? static_cast<Pixel>(v) : Pixel{0});
    }
}

}  // namespace

FormulaProgram CompileFormula(const std::string& expression) {
    FormulaProgram program;
    std::string text = expression;
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');

    // Operators wait on a stack until the next operator or the end of their
    // group; with one level of precedence no stack level holds more than one.
    std::vector<char> pending;
    int stack = 0;
    bool valid = true;
    auto emit = [&](const FormulaStep& step) {
        if (step.op == FormulaStep::Op::Variable || step.op == FormulaStep::Op::Constant) {
            program.depth = std::max(program.depth, ++stack);
        } else if (stack < 2) {
            valid = false;  // an operator without two operands
        } else {
            --stack;
        }
        program.steps.push_back(step);
    };
    auto emitOperator = [&](char c) {
        FormulaStep step;
        step.op = operatorOp(c);
        emit(step);
    };

    for (size_t i = 0; i < text.size() && valid;) {
        const char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            size_t index = program.variables.find(c);
            if (index == std::string::npos) {
                index = program.variables.size();
                program.variables.push_back(c);
            }
            FormulaStep step;
            step.op = FormulaStep::Op::Variable;
            step.variable = static_cast<int>(index);
            emit(step);
            ++i;
        } else if ((c >= '0' && c <= '9') || c == '.') {
            size_t end = i;
            while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.')) ++end;
            FormulaStep step;
            step.op = FormulaStep::Op::Constant;
            step.constant = numberValue(text, i, end);
            emit(step);
            i = end;
        } else if (c == ' ' || c == '\t') {
            ++i;
        } else if (isOperator(c)) {
            if (!pending.empty() && pending.back() != '(') {
                emitOperator(pending.back());
                pending.pop_back();
            }
            pending.push_back(c);
            ++i;
        } else if (c == '(') {
            pending.push_back(c);
            ++i;
        } else if (c == ')') {
            while (!pending.empty() && pending.back() != '(') {
                emitOperator(pending.back());
                pending.pop_back();
            }
            if (pending.empty()) valid = false;  // no "(" to close
            else pending.pop_back();
            ++i;
        } else {
            valid = false;
        }
    }
    while (valid && !pending.empty()) {
        if (pending.back() == '(') valid = false;  // a group left open
        else emitOperator(pending.back());
        pending.pop_back();
    }
    // One row must remain: "A B" has lost its operator.
    program.valid = valid && stack == 1 && program.depth <= kMaxDepth;
    return program;
}

std::string FormulaPostfixText(const FormulaProgram& program) {
    std::string text;
    bool lastConstant = false;
    for (const FormulaStep& step : program.steps) {
        switch (step.op) {
            case FormulaStep::Op::Variable:
                text += program.variables[static_cast<size_t>(step.variable)];
                break;
            case FormulaStep::Op::Constant: {
                if (lastConstant) text += ' ';
                char number[32];
                std::snprintf(number, sizeof number, "%g", static_cast<double>(step.constant));
                text += number;
                break;
            }
            case FormulaStep::Op::Add: text += '+'; break;
            case FormulaStep::Op::Subtract: text += '-'; break;
            case FormulaStep::Op::Multiply: text += '*'; break;
            case FormulaStep::Op::Divide: text += '/'; break;
        }
        lastConstant = step.op == FormulaStep::Op::Constant;
    }
    return text;
}

FormulaEvaluator::FormulaEvaluator(const FormulaProgram& program, int width)
    : program_(program), width_(std::max(0, width)) {
    const size_t n = static_cast<size_t>(width_);
    inputs_.assign(program.variables.size(), std::vector<float>(n, 0.0f));
    if (program.valid) {
        work_.assign(static_cast<size_t>(program.depth), std::vector<float>(n, 0.0f));
        stack_.reserve(static_cast<size_t>(program.depth));
    }
    constantRow_.assign(n, 0.0f);
}

const float* FormulaEvaluator::Evaluate() {
    if (!program_.valid) return nullptr;
    stack_.clear();
    const int n = width_;
    for (const FormulaStep& step : program_.steps) {
        if (step.op == FormulaStep::Op::Variable) {
            Entry e;
            e.row = inputs_[static_cast<size_t>(step.variable)].data();
            stack_.push_back(e);
            continue;
        }
        if (step.op == FormulaStep::Op::Constant) {
            Entry e;
            e.constant = true;
            e.value = step.constant;
            stack_.push_back(e);
            continue;
        }
        const Entry r = stack_.back();
        stack_.pop_back();
        Entry& s = stack_.back();
        if (s.constant && r.constant) {
            s.value = apply(step.op, s.value, r.value);
            continue;
        }
        // The result takes the work row of its stack level; the operands are
        // read before each element is written, so working in place is safe.
        float* out = work_[stack_.size() - 1].data();
        if (s.constant) {
            const float sv = s.value;
            const float* rr = r.row;
            applyRow(step.op, [sv](int) { return sv; }, [rr](int i) { return rr[i]; }, out, n);
        } else if (r.constant) {
            const float* sr = s.row;
            const float rv = r.value;
            applyRow(step.op, [sr](int i) { return sr[i]; }, [rv](int) { return rv; }, out, n);
        } else {
            const float* sr = s.row;
            const float* rr = r.row;
            applyRow(step.op, [sr](int i) { return sr[i]; }, [rr](int i) { return rr[i]; }, out, n);
        }
        s.constant = false;
        s.row = out;
        s.owned = true;
    }
    const Entry& top = stack_.back();
    if (top.constant) {
        std::fill(constantRow_.begin(), constantRow_.end(), top.value);
        return constantRow_.data();
    }
    return top.row;
}

void FormulaToPixels8(const float* values, int width, uint8_t* pixels) {
    toPixels(values, width, pixels, 255.0f);
}

void FormulaToPixels16(const float* values, int width, uint16_t* pixels) {
    toPixels(values, width, pixels, 65535.0f);
}

}  // namespace orvex
