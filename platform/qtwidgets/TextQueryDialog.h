#pragma once

#include <QPoint>
#include <QString>
#include <functional>
#include <memory>

class QDialog;
class QFont;
class QWidget;

// number x numerator / denominator, computed in 64 bits and rounded to the nearest integer, halves
// away from zero; -1 when denominator is 0 or the result does not fit an int, as the Windows
// function of that name answers.
int MulDiv(int number, int numerator, int denominator);

// The dialog units of a font: the average width of the 52 letters "A".."Z", "a".."z" (whole
// pixels, rounded down) and the height of a line.
QPoint GetAveCharSize(const QFont& font);

// The text query as a dialog built at run time, sized in dialog units of its font: a prompt label
// ("Prompt"), a field of at most 255 characters with value selected ("Edit"), and the buttons "OK"
// (default), "Cancel" (Escape) and "Font" ("OkButton", "CancelButton", "FontButton"). Font runs
// onFont and closes nothing. The dialog's top-left corner is (x, y) on the screen. It is not shown:
// the caller runs exec().
std::unique_ptr<QDialog> buildTextQueryDialog(const QString& caption, const QString& prompt,
                                              const QString& value, int x, int y,
                                              const std::function<void()>& onFont, QWidget* parent = nullptr);
// Places the controls of a dialog made by buildTextQueryDialog for the dialog units charSize.
void layoutTextQueryDialog(QDialog& dialog, QPoint charSize);
