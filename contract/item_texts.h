// The texts the ticket and the invoice send for their test item, payment and
// close. Each source holds its own object of this type in its unnamed namespace,
// so the two groups never hand the library one address: only the bytes agree.
#pragma once

namespace fp::contract {

struct ItemTexts {
  char description[21] = "Venta de item       ";
  char quantity[10] = "000010000";
  char unitPrice[12] = "00000000100";
  char taxRate[5] = "2100";
  char code99[3] = "99";
  char code07[3] = "07";
  char paymentCode[3] = "08";
  char paymentAmount[12] = "00000010000";
  char closeCode[2] = "3";
};

}  // namespace fp::contract
