#pragma once
// Texts that differ only in the values of their plain literals share one translation: the
// translator reads the text once with each plain literal replaced by a marker and keeps where
// the markers came out. A text of the same shape then costs a lexer pass and the writing of its
// values, and the statements that insert, update or delete read the values as parameters, so
// that they are prepared once per connection.
//
// A literal is plain when nothing the translator decides depends on its value. A text literal:
// at least four bytes, no blank at either end, not a number, not a date, no `[`; its length
// stays in the shape, as it can give a column's declared length. A number (digits, at most one
// point, at most 18 characters) right after a comparison (`=`, `<>`, `<` ...) or as an item of
// a VALUES list, where it is always a value and never a size, a count or a column's position;
// its form (whole, or the digits before and after the point, which give its type) stays in the
// shape. Where a statement reads its values as parameters, a whole number is bound as an
// integer and another as its text cast to REAL (as `+CAST(?n AS REAL)`, without affinity, as a
// literal has none): the cast reads the text with the same routine as SQLite's reading of the
// literal, so the value is the same to the last bit.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/Program.h"

namespace corvane::db {

// A text with its plain literals taken out.
struct LiteralShape {
  std::string key;                     // the text, each plain literal replaced by what it is (text of a length, number)
  std::string probe;                   // the text, each plain literal replaced by its marker
  std::vector<ProgramLiteral> values;  // the plain literals, in the order of the text
  std::vector<bool> numbers;           // which of them are numbers
};

// The shape of a T-SQL text; nullopt when it has no plain literal or cannot be read (the
// translator then reads it as it is, and reports what it cannot read).
std::optional<LiteralShape> shapeOf(std::string_view tsql);

class LiteralTemplate {
 public:
  // From the translation of a shape's probe; nullopt when a marker came out anywhere but as a
  // literal of its own (the value then takes part in the translation).
  static std::optional<LiteralTemplate> fromProbe(const Program& probe, const LiteralShape& shape);

  // The program of the text of this shape with these values: the statements that insert,
  // update or delete read them as parameters, the others have them written in.
  Program render(const std::vector<ProgramLiteral>& values) const;
  // The same with every value written in, as the translator writes a text it reads afresh.
  Program renderWrittenIn(const std::vector<ProgramLiteral>& values) const;

 private:
  // Where a literal comes out: as text between apostrophes (a number written into a text
  // column too), or as the number itself.
  struct Slot {
    std::size_t literal = 0;
    bool asText = true;
  };
  struct Step {
    ProgramStep step;                 // its sql is empty: `pieces` and `slots` make it
    std::vector<std::string> pieces;  // the sql around the literals (one more than slots)
    std::vector<Slot> slots;
    bool bindsValues = false;  // insert, update or delete: values are parameters
  };

  Program render(const std::vector<ProgramLiteral>& values, bool bind) const;

  std::vector<Step> steps_;
  std::vector<ProgramVariable> variables_;
  std::uint64_t schemasRead_ = 0;
  std::vector<bool> numbers_;  // which literals are numbers
};

}  // namespace corvane::db
