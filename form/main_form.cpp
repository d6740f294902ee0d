#include "form/main_form.h"

#include <algorithm>
#include <array>

namespace console {
namespace {

using enum ControlKind;

constexpr std::string_view kNoFrame{};

// In ascending order of identifier; the last column but one is the stacking rank
// (frames at the back, CmCommand1 just behind CmCommand3, which covers it).
// clang-format off
constexpr std::array<ControlDefinition, 33> kControls{{
    // name, identifier, kind, {left, top, width, height}, caption, frame, rank, sunken
    {"CmCommand1", 0x07000007, CommandButton, {5145, 555, 15, 15}, "CmCommand1", "CmFrame3", 3, false},
    {"CmCommand3", 0x07000009, CommandButton, {4980, 390, 1500, 420}, "ABRIR TIQUE", "CmFrame3", 4, false},
    {"CmCommand5", 0x0700000B, CommandButton, {4980, 1020, 1500, 420}, "ITEM +", "CmFrame3", 5, false},
    {"CmCommand6", 0x0700000C, CommandButton, {6855, 2265, 1500, 420}, "CANCELA TIQUE", "CmFrame3", 6, false},
    {"CmCommand7", 0x0700000D, CommandButton, {4980, 2880, 1500, 420}, "CERRAR TIQUE", "CmFrame3", 7, false},
    {"CmCommand8", 0x0700000E, CommandButton, {9195, 525, 1500, 420}, "Abrir NF", "CmFrame4", 8, false},
    {"CmCommand9", 0x0700000F, CommandButton, {9195, 1095, 1500, 420}, "Texto NF", "CmFrame4", 9, false},
    {"CmCommand10", 0x07000010, CommandButton, {9195, 1665, 1500, 420}, "Cerrar NF", "CmFrame4", 10, false},
    {"CmCommand11", 0x07000011, CommandButton, {4980, 1650, 1500, 420}, "ITEM -", "CmFrame3", 11, false},
    {"CmCommand12", 0x07000012, CommandButton, {4980, 2265, 1500, 420}, "Pago", "CmFrame3", 12, false},
    {"CmCommand13", 0x07000014, CommandButton, {11085, 210, 1500, 420}, "ABRIR CAJON1", kNoFrame, 13, false},
    {"CmCommand14", 0x07000015, CommandButton, {240, 3885, 1500, 420}, "ESTADO", "CmFrame1", 14, false},
    {"CmCOMUNICACION", 0x07000016, TextBox, {6450, 5235, 6240, 420}, "", kNoFrame, 15, true},
    {"CmCommand15", 0x07000017, CommandButton, {9210, 2460, 1500, 420}, "CIERRE Z", kNoFrame, 16, false},
    {"CmCommand16", 0x07000018, CommandButton, {11085, 2460, 1500, 420}, "CIERRE X", kNoFrame, 17, false},
    {"CmCommand17", 0x07000019, CommandButton, {9240, 3180, 3375, 420}, "TOTAL JORNAL", kNoFrame, 18, false},
    {"CmCommand18", 0x0700001A, CommandButton, {345, 390, 1935, 420}, "ABRIR FACTURA (A)", kNoFrame, 19, false},
    {"CmCommand19", 0x0700001B, CommandButton, {2550, 2325, 1935, 420}, "CANCELA FACTURA(A)", kNoFrame, 20, false},
    {"CmCommand20", 0x0700001C, CommandButton, {345, 1020, 1935, 420}, "ITEM +", kNoFrame, 21, false},
    {"CmCommand21", 0x0700001D, CommandButton, {345, 2895, 1935, 420}, "CERRAR FACTURA (A)", kNoFrame, 22, false},
    {"CmCommand22", 0x0700001E, CommandButton, {345, 2280, 1935, 420}, "PAGO", kNoFrame, 23, false},
    {"CmStatic1", 0x07000022, Label, {6615, 1650, 1500, 330}, "Devolucion de item", "CmFrame3", 24, false},
    {"CmStatic2", 0x07000025, Label, {3645, 3945, 900, 330}, "Impresor", "CmFrame1", 25, false},
    {"CmFiscal", 0x07000026, Label, {3675, 4605, 900, 330}, "Fiscal", "CmFrame1", 26, false},
    {"Cm1", 0x07000027, Label, {1860, 3945, 1500, 420}, "", "CmFrame1", 27, false},
    {"Cm2", 0x07000028, Label, {1860, 4515, 1500, 420}, "", "CmFrame1", 28, false},
    {"CmFiscal1", 0x07000029, Label, {225, 4455, 1620, 330}, "Valores en decimal", "CmFrame1", 29, false},
    {"CmFrame1", 0x0700002A, GroupFrame, {120, 3600, 4605, 1575}, "", kNoFrame, 2, false},
    {"CmFrame3", 0x0700002C, GroupFrame, {4815, 210, 3900, 3495}, "", kNoFrame, 1, false},
    {"CmFrame4", 0x0700002D, GroupFrame, {8880, 210, 2070, 2145}, "", kNoFrame, 0, false},
    {"ESTADO", 0x0700002F, Label, {165, 5250, 6150, 420}, "", kNoFrame, 30, true},
    {"CmCommand23", 0x07000030, CommandButton, {345, 1650, 1980, 420}, "ITEM -", kNoFrame, 31, false},
    {"CmStatic3", 0x07000031, Label, {2535, 1650, 1500, 330}, "Devolucion de item", kNoFrame, 32, false},
}};
// clang-format on

constexpr FontDefinition kFont{"MS Sans Serif", 8.25, 400, false, false, false};

// clang-format off
const FormDefinition kMainForm{
    .name = "MainForm",
    .id = 0x07000001,
    .caption = "Test FP900 (FISCAL)",
    .rect = {6105, 3075, 12975, 5685},
    .font = kFont,
    .eventEntry = "MAINFORM",
    // The message box: a stray Enter or Space there sends nothing to the printer.
    .initialFocus = "CmCOMUNICACION",
    .controls = kControls,
};
// clang-format on

}  // namespace

const ControlDefinition* FormDefinition::find(std::string_view controlName) const {
  for (const ControlDefinition& control : controls) {
    if (control.name == controlName) return &control;
  }
  return nullptr;
}

const FormDefinition& mainForm() {
  return kMainForm;
}

}  // namespace console
