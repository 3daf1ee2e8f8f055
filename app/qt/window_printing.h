#pragma once
// "Print window": the main window's image as it is now, through the print dialog;
// where no printer is installed, into a PDF file the observer is told of.
#include <QString>

class QPrinter;
class QWidget;

namespace velmar {

// The window's image scaled to the page; false when the printer could not start.
bool PrintWindowImage(QWidget& window, QPrinter& printer);

// The print dialog, then the image; without a printer the dialog offers pdfPath.
void PrintWindowWithDialog(QWidget& window, const QString& pdfPath);

}  // namespace velmar
