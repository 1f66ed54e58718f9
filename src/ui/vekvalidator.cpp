#include "ui/vekvalidator.h"

#include <QDebug>
#include <QLineEdit>
#include <QLocale>
#include <QWidget>

#include <cmath>

namespace {

const QString correctedSheet = QStringLiteral("QLineEdit { background: solid yellow; border: none; margin: 2px; }");
const QString rejectedSheet = QStringLiteral("QLineEdit { background: solid red; border: none; margin: 2px; }");

// After a correction the colour stays for this many acceptable validations,
// so that the edit's own re-validation of the fixed text does not clear it.
const unsigned char correctedValidations = 2;

void setEditSheet(const QValidator* validator, const QString& sheet)
{
    if (QWidget* edit = qobject_cast<QWidget*>(validator->parent()))
        edit->setStyleSheet(sheet);
}

QValidator::State acceptedOnce(const QValidator* validator, unsigned char& pending)
{
    if (pending > 0)
        --pending;
    else
        setEditSheet(validator, QString());
    return QValidator::Acceptable;
}

float toleranceFor(int decimals)
{
    static const float tolerances[] = {0.1f, 0.01f, 0.001f, 0.0001f, 0.00001f, 0.000001f};
    if (decimals < 0 || decimals > 5)
        return 0.0f;
    return tolerances[decimals];
}

// Removes the edit's validator, deleting it when the edit owns it.
void dropValidator(QLineEdit* edit)
{
    const QValidator* old = edit->validator();
    edit->setValidator(nullptr);
    if (old && old->parent() == edit)
        delete old;
}

void removeCheck(QLineEdit* edit)
{
    dropValidator(edit);
    edit->setToolTip(QString());
}

// The edit's validator when it is of the range kind wanted, else a new one
// of ours in place of whatever the edit had.
template <typename Range, typename Own>
Range* rangeValidator(QLineEdit* edit, bool allowEmpty)
{
    Range* validator = qobject_cast<Range*>(const_cast<QValidator*>(edit->validator()));
    if (!validator) {
        dropValidator(edit);
        validator = new Own(edit, allowEmpty);
        edit->setValidator(validator);
    }
    return validator;
}

// Puts text into the edit, correcting it through the edit's validator first.
void setCheckedText(QLineEdit* edit, QString text, const char* caller, double value)
{
    const QValidator* validator = edit->validator();
    int pos = 0;
    if (validator && validator->validate(text, pos) != QValidator::Acceptable) {
        validator->fixup(text);
        pos = 0;
        if (validator->validate(text, pos) != QValidator::Acceptable)
            qDebug() << caller << value << "to" << text;
    }
    edit->setText(text);
}

} // namespace

VEKIntValidator::VEKIntValidator(QObject* parent, bool allowEmpty)
    : QIntValidator(parent)
    , allowEmpty(allowEmpty)
{
    // Our own texts are written in the C locale; read them the same way.
    setLocale(QLocale::c());
}

VEKIntValidator::~VEKIntValidator() = default;

QValidator::State VEKIntValidator::validate(QString& input, int& pos) const
{
    if (!(allowEmpty && input.isEmpty())) {
        const State state = QIntValidator::validate(input, pos);
        if (state != Acceptable)
            return state;
    }
    return acceptedOnce(this, pending);
}

void VEKIntValidator::fixup(QString& input) const
{
    const qlonglong number = input.toLongLong(nullptr, 10);
    pending = correctedValidations;
    if (number < bottom())
        input = QString::number(bottom());
    else if (number > top())
        input = QString::number(top());
    setEditSheet(this, correctedSheet);
}

VEKDoubleValidator::VEKDoubleValidator(QObject* parent, bool allowEmpty)
    : QDoubleValidator(parent)
    , allowEmpty(allowEmpty)
{
    setNotation(QDoubleValidator::StandardNotation);
    setLocale(QLocale::c());
}

VEKDoubleValidator::~VEKDoubleValidator() = default;

QValidator::State VEKDoubleValidator::validate(QString& input, int& pos) const
{
    State state = Acceptable;
    if (!(allowEmpty && input.isEmpty()))
        state = QDoubleValidator::validate(input, pos);

    // A value just past a bound by less than the last shown decimal counts
    // as that bound. Only a real number can be that close: a text that is no
    // number must not pass as 0 next to a bound of 0.
    bool isNumber = false;
    const double number = input.toDouble(&isNumber);
    const double tolerance = toleranceFor(decimals());
    const bool nearBound = isNumber
        && (std::fabs(number - top()) < tolerance || std::fabs(number - bottom()) < tolerance);
    if (!nearBound && state != Acceptable)
        return state;
    return acceptedOnce(this, pending);
}

void VEKDoubleValidator::fixup(QString& input) const
{
    // Without a limit on decimals a bound is written in the fewest digits
    // that read back as exactly that bound.
    const auto boundText = [this](double bound) {
        if (decimals() >= 0)
            return QString::number(bound, 'f', decimals());
        return QString::number(bound, notation() == ScientificNotation ? 'g' : 'f', QLocale::FloatingPointShortest);
    };
    const double number = input.toDouble();
    pending = correctedValidations;
    if (number < bottom() || (input.isEmpty() && !allowEmpty))
        input = boundText(bottom());
    else if (number > top())
        input = boundText(top());
    setEditSheet(this, correctedSheet);
}

VEKStringValidator::VEKStringValidator(const QRegExp& expression, QObject* parent)
    : QRegExpValidator(expression, parent)
{
}

VEKStringValidator::~VEKStringValidator() = default;

QValidator::State VEKStringValidator::validate(QString& input, int& pos) const
{
    const State state = QRegExpValidator::validate(input, pos);
    if (state != Acceptable)
        return state;
    return acceptedOnce(this, pending);
}

void VEKStringValidator::fixup(QString&) const
{
    setEditSheet(this, rejectedSheet);
}

void VEKValidatorHelper::setValidInt(QLineEdit* edit, int bottom, int top, bool allowEmpty)
{
    if (!edit)
        return;
    if (bottom == 0 && top == 0) {
        removeCheck(edit);
        return;
    }
    rangeValidator<QIntValidator, VEKIntValidator>(edit, allowEmpty)->setRange(bottom, top);
    edit->setToolTip(QStringLiteral("Range is %1 to %2").arg(bottom).arg(top));
}

void VEKValidatorHelper::setValidDouble(QLineEdit* edit, double bottom, double top, double decimals, bool allowEmpty)
{
    if (!edit)
        return;
    if (bottom == 0.0 && top == 0.0) {
        removeCheck(edit);
        return;
    }
    const int places = static_cast<int>(decimals);
    rangeValidator<QDoubleValidator, VEKDoubleValidator>(edit, allowEmpty)->setRange(bottom, top, places);
    edit->setToolTip(QStringLiteral("Range is %1 to %2")
                         .arg(QString::number(bottom, 'f', places), QString::number(top, 'f', places)));
}

void VEKValidatorHelper::setValidRegExp(QLineEdit* edit, const QRegExp& expression)
{
    if (!edit)
        return;
    if (!expression.isValid()) {
        removeCheck(edit);
        return;
    }
    if (qobject_cast<const QRegExpValidator*>(edit->validator()))
        return;
    dropValidator(edit);
    edit->setValidator(new VEKStringValidator(expression, edit));
}

void VEKValidatorHelper::_setValidInt(QLineEdit* edit, int value)
{
    if (!edit)
        return;
    setCheckedText(edit, QString::number(value), "_setValidInt: unable to validate", value);
}

void VEKValidatorHelper::_setValidDbl(QLineEdit* edit, double value)
{
    if (!edit)
        return;
    const QDoubleValidator* validator = qobject_cast<const QDoubleValidator*>(edit->validator());
    const QString text = validator ? QString::number(value, 'f', validator->decimals()) : QString::number(value);
    setCheckedText(edit, text, "_setValidDbl: unable to validate", value);
}
