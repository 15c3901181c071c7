#pragma once

#include <QValidator>

namespace morvanex::qt {

// Turns letters into upper case as they are typed or pasted; the cursor stays where it was, since
// each character maps to exactly one.
class UpperCaseValidator : public QValidator
{
    Q_OBJECT

public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override;
};

} // namespace morvanex::qt
