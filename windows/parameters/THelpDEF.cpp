#include "windows/parameters/THelpDEF.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/message_window.h"

namespace velmar {

namespace {

// A typical file, one value a line; the reader takes the leading value of each line
// and stops after line 21, so line 21 needs its line end.
constexpr const char* kHelpText =
    "An instrument definition file (.DEF) is a plain text file in the program directory,\n"
    "one value a line; after the value a line may carry a comment. Lines after line 21\n"
    "are not read (the files end with a line \"END\"); line 21 must end with a line end.\n"
    "\n"
    "A typical file:\n"
    "\n"
    " 1  6000          THT low level\n"
    " 2  9400          THT medium level\n"
    " 3  10800         THT maximum\n"
    " 4  20            Discri\n"
    " 5  50            TV black level\n"
    " 6  255           TV white level\n"
    " 7  0             CS100 interface (0=//, n=COMn:)\n"
    " 8  0             shutter system\n"
    " 9  0             THT system (0=no control=99999v)\n"
    "10  512           CCD X size\n"
    "11  512           CCD Y size\n"
    "12  512           stored image X size\n"
    "13  512           stored image Y size\n"
    "14  40            frames per second\n"
    "15  1             Vlm3D binning display\n"
    "16  0             DALSA high rate swap (1=yes)\n"
    "17  20            waiting seconds at last THT step\n"
    "18  0             temperature interface (0=none)\n"
    "19  0             filters and mirror system (0=none)\n"
    "20  ccir_n.dcf    Matrox driver for camera\n"
    "21  vm103_60.vcf  Matrox driver for control display\n"
    "    END\n"
    "\n"
    "To make a new one: copy the preset closest to your instrument under a new name in\n"
    "the program directory, change its values, then choose \"Other (user's .DEF file)\"\n"
    "in the configuration list and \"<-- Load .DEF to current\". A file chosen elsewhere\n"
    "is looked for under its name in the program directory.\n"
    "The two driver files named on lines 20 and 21 must be in the program directory too.\n";

}  // namespace

THelpDEF::THelpDEF(QWidget* parent) : QDialog(parent) {
  setObjectName("THelpDEF");
  setWindowTitle("VLMIPCS help on .DEF files");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeHeading("How to modify or create a configuration .DEF file", "Label1", this));
  auto* text = new QPlainTextEdit(kHelpText, this);
  text->setObjectName("MemoHelp");
  text->setReadOnly(true);
  QFont fixed("Monospace");
  fixed.setStyleHint(QFont::TypeWriter);
  text->setFont(fixed);
  text->setMinimumSize(620, 520);
  layout->addWidget(text);
  auto* back = new QPushButton("Return", this);
  back->setObjectName("ButtonReturn");
  back->setDefault(true);
  layout->addWidget(back, 0, Qt::AlignCenter);
  connect(back, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace velmar
