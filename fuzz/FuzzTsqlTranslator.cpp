// Fuzzing target for the T-SQL translator: translates the input as a T-SQL text and runs what
// it becomes on a small account in memory, in a transaction that is rolled back after, so that
// every input meets the same data. The database layer's own errors are expected answers; a
// crash, a hang, a leak or any other exception is a finding.
//
// When the input's plain literals can be taken out (a shared translation), the same text with
// other values of the same kinds is translated afresh too: it must read exactly as the shared
// translation written with those values, or the sharing would give it a wrong program.

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/RuntimeError.h"
#include "platform/tsql/LiteralTemplate.h"
#include "platform/tsql/TsqlParser.h"
#include "platform/tsql/TsqlTestDatabase.h"

namespace {

// Statements are stopped after this many SQLite virtual machine steps (counted in thousands),
// so that a cross join of every table cannot stall the run.
constexpr int kStepThousands = 10000;

int stopLongStatements(void* counter) { return ++*static_cast<int*>(counter) > kStepThousands; }

// Values a text literal of `length` bytes may take instead: whatever the shape rules let share
// the shape (the others make another shape and are skipped).
std::string textCandidate(std::size_t kind, std::size_t length) {
  static const char* const kForms[] = {"2026-01-01", "2026-1-1", "01/02/2026", "2026-01-01 10:00:00", "IsUserTable"};
  switch (kind) {
    case 0: return std::string(length, 'q');
    case 1: return std::string(length, '7');
    case 2: return "[" + std::string(length - 1, 'q');
    case 3: return " " + std::string(length - 1, 'q');
    default: {
      std::vector<std::string> forms;  // the dates and names of this length
      for (const char* form : kForms) {
        if (std::string_view(form).size() == length) forms.emplace_back(form);
      }
      return kind - 4 < forms.size() ? forms[kind - 4] : std::string(length, 'x');
    }
  }
}

// A number of the form `form` ("i" whole, "d4.1" four digits, a point and one).
std::string numberCandidate(std::size_t kind, const std::string& form) {
  if (form == "i") return kind % 2 == 0 ? "98765" : "0";
  const auto point = form.find('.');
  const std::size_t before = std::stoul(form.substr(1, point - 1));
  const std::size_t after = std::stoul(form.substr(point + 1));
  const char digit = kind % 2 == 0 ? '9' : '0';
  return std::string(before, digit) + "." + std::string(after, digit);
}

// The text of `shape` with the values of candidate `kind`. The key holds a text literal as its
// length then \x01, a number as \x01# and its form then \x01.
std::string otherValues(const corvane::db::LiteralShape& shape, std::size_t kind,
                        std::vector<corvane::db::ProgramLiteral>& values) {
  std::string text;
  for (std::size_t at = 0; at < shape.key.size(); ++at) {
    if (shape.key[at] != '\x01') {
      text += shape.key[at];
      continue;
    }
    if (at + 1 < shape.key.size() && shape.key[at + 1] == '#') {
      const std::size_t end = shape.key.find('\x01', at + 2);
      const std::string form = shape.key.substr(at + 2, end - at - 2);
      const std::string number = numberCandidate(kind, form);
      text += number;
      values.push_back({number, form == "i"});
      at = end;
      continue;
    }
    const std::size_t digits = text.find_last_not_of("0123456789") + 1;
    const std::string value = textCandidate(kind, std::stoul(text.substr(digits)));
    text.resize(digits);
    text += value;
    values.push_back({value, false});
  }
  return text;
}

void checkSharedTranslation(sqlite3* db, std::string_view tsql) {
  using namespace corvane::db;
  const auto shape = shapeOf(tsql);
  if (!shape) return;
  std::optional<LiteralTemplate> shared;
  try {
    const Program fresh = translateTsql(db, tsql);
    shared = LiteralTemplate::fromProbe(translateTsql(db, shape->probe), *shape);
    if (!shared || !(shared->renderWrittenIn(shape->values) == fresh)) return;  // not shared
  } catch (const corvane::RuntimeError&) {
    return;
  }
  for (std::size_t kind = 0; kind < 6; ++kind) {
    std::vector<ProgramLiteral> values;
    const std::string other = otherValues(*shape, kind, values);
    const auto otherShape = shapeOf(other);
    if (!otherShape || otherShape->key != shape->key) continue;  // another shape: not shared
    try {
      if (translateTsql(db, other) == shared->renderWrittenIn(values)) continue;
    } catch (const corvane::RuntimeError&) {
    }
    std::abort();  // a text of the shape reads otherwise than the shared translation says
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const corvane::db::TsqlTestDatabase database;
  const std::string_view tsql(reinterpret_cast<const char*>(data), size);
  int steps = 0;
  sqlite3_progress_handler(database.db(), 1000, stopLongStatements, &steps);
  checkSharedTranslation(database.db(), tsql);
  database.exec("BEGIN");
  try {
    corvane::db::translateTsql(database.db(), tsql).run(database.db(), {});
  } catch (const corvane::RuntimeError&) {
  }
  // A statement stopped inside the transaction may have rolled it back already.
  if (!sqlite3_get_autocommit(database.db())) database.exec("ROLLBACK");
  return 0;
}
