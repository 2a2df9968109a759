#include "platform/ui/TypedInput.h"

#include <QComboBox>
#include <QLineEdit>
#include <QValidator>

namespace qvic::typedinput {
namespace {

// QLineEdit::setMaxLength also cuts what setText() gives; a validator only
// judges edits. An edit may keep a longer text that was set as long as it
// does not grow it.
class TypedLengthLimit : public QValidator
{
public:
    TypedLengthLimit(QLineEdit &box, int maxLength) : QValidator(&box), m_box(box), m_max(maxLength) {}

    State validate(QString &input, int &) const override
    {
        return input.size() <= qMax<qsizetype>(m_max, m_box.text().size()) ? Acceptable : Invalid;
    }

private:
    QLineEdit &m_box;
    int m_max;
};

} // namespace

void keepTypedText(QComboBox &list)
{
    list.setEditable(true);
    list.setCompleter(nullptr);
    list.setInsertPolicy(QComboBox::NoInsert);
    // With duplicates allowed, Enter skips its search for an entry equal to the text.
    list.setDuplicatesEnabled(true);
}

void limitTypedLength(QLineEdit &box, int maxLength)
{
    box.setValidator(new TypedLengthLimit(box, maxLength));
}

} // namespace qvic::typedinput
