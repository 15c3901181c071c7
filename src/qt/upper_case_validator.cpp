#include "qt/upper_case_validator.h"

namespace morvanex::qt {

QValidator::State UpperCaseValidator::validate(QString& input, int& /*pos*/) const
{
    // QChar::toUpper maps one character to one, unlike QString::toUpper ("ß" -> "SS"), so the
    // field's length and the cursor are untouched.
    for (QChar& c : input)
        c = c.toUpper();
    return Acceptable;
}

} // namespace morvanex::qt
