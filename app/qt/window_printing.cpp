#include "app/qt/window_printing.h"

#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>

namespace velmar {

bool PrintWindowImage(QWidget& window, QPrinter& printer) {
  const QPixmap image = window.grab();
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const QRect page = painter.viewport();
  const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
  painter.setViewport(page.x(), page.y(), size.width(), size.height());
  painter.setWindow(image.rect());
  painter.drawPixmap(0, 0, image);
  return painter.end();
}

void PrintWindowWithDialog(QWidget& window, const QString& pdfPath) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  const bool noPrinter = QPrinterInfo::availablePrinters().isEmpty();
  if (noPrinter) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath);
  }
  QPrintDialog dialog(&printer, &window);
  dialog.setObjectName("PrintDialog");
  if (dialog.exec() != QDialog::Accepted) return;
  if (!PrintWindowImage(window, printer)) {
    QMessageBox::warning(&window, "Velmar print", "The window could not be printed: the printer did not start.");
    return;
  }
  if (printer.outputFormat() == QPrinter::PdfFormat)
    QMessageBox::information(&window, "Velmar print", "The window was printed into " + printer.outputFileName());
}

}  // namespace velmar
