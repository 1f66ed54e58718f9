#pragma once

#include <QDoubleValidator>
#include <QIntValidator>
#include <QRegExp>
#include <QRegExpValidator>

class QLineEdit;

// Validators that colour the line edit they are parented to: yellow after a
// number had to be corrected, red for a text its expression rejects. The
// colour goes once the text is acceptable again (after a correction, at the
// third acceptable validation).

class VEKIntValidator : public QIntValidator
{
public:
    VEKIntValidator(QObject* parent, bool allowEmpty);
    ~VEKIntValidator() override;

    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

private:
    mutable unsigned char pending = 0;
    bool allowEmpty;
};

class VEKDoubleValidator : public QDoubleValidator
{
public:
    VEKDoubleValidator(QObject* parent, bool allowEmpty);
    ~VEKDoubleValidator() override;

    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

private:
    mutable unsigned char pending = 0;
    bool allowEmpty;
};

class VEKStringValidator : public QRegExpValidator
{
public:
    VEKStringValidator(const QRegExp& expression, QObject* parent);
    ~VEKStringValidator() override;

    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

private:
    mutable unsigned char pending = 0;
};

// Mix-in that installs the validators above on line edits and puts numbers
// into such edits through them.
class VEKValidatorHelper
{
public:
    void setValidInt(QLineEdit* edit, int bottom, int top, bool allowEmpty);
    void setValidDouble(QLineEdit* edit, double bottom, double top, double decimals, bool allowEmpty);
    void setValidRegExp(QLineEdit* edit, const QRegExp& expression);

    void _setValidInt(QLineEdit* edit, int value);
    void _setValidDbl(QLineEdit* edit, double value);
};
