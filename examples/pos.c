/*
 * An example till: opens till T01 of store S01 and goes through a day with the fiscal driver
 * DODU_PT_10 (a sale at three VAT rates with a discount and two payments, a credit note for part
 * of it, a negative sale that becomes a credit note, a sale and its void, a reprint, the X and Z
 * reports and the status), printing the key fields of each answer.
 *
 * Build:  cc -I include pos.c -L build -l:DODU_PT_10.so -Wl,-rpath,'$ORIGIN' -o pos
 * Run with QV_FPR_DB and QV_HOST_DIR set, in a directory whose qvSAFTPT.ini names the store, whose
 * company PT500100200, branch S01 and the series FR<year>S01 and NC<year>S01 are registered.
 * Exit status 0 when every call answered 0.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "dodu_pt_10.h"

/* UTF-8 to an owned string; the caller releases it with SysFreeString. */
static BSTR to_bstr(const char *utf8) {
  size_t n = strlen(utf8), count = 0;
  OLECHAR *units = malloc((n + 1) * sizeof(OLECHAR));
  BSTR text;
  for (size_t i = 0; i < n;) {
    unsigned char c = (unsigned char)utf8[i];
    uint32_t cp;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    cp = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < n; ++k) cp = (cp << 6) | ((unsigned char)utf8[i + k] & 0x3F);
    i += (size_t)extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      units[count++] = (OLECHAR)(0xD800 + (cp >> 10));
      units[count++] = (OLECHAR)(0xDC00 + (cp & 0x3FF));
    } else {
      units[count++] = (OLECHAR)cp;
    }
  }
  text = SysAllocStringLen(units, (uint32_t)count);
  free(units);
  return text;
}

/* An owned string as UTF-8 (malloc'd; "" for NULL); the owned string is released. */
static char *take_utf8(BSTR text) {
  uint32_t n = text ? SysStringLen(text) : 0;
  char *out = malloc((size_t)n * 3 + 1), *p = out;
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < n) cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (cp < 0x80) {
      *p++ = (char)cp;
    } else if (cp < 0x800) {
      *p++ = (char)(0xC0 | (cp >> 6)), *p++ = (char)(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *p++ = (char)(0xE0 | (cp >> 12)), *p++ = (char)(0x80 | ((cp >> 6) & 0x3F)), *p++ = (char)(0x80 | (cp & 0x3F));
    } else {
      *p++ = (char)(0xF0 | (cp >> 18)), *p++ = (char)(0x80 | ((cp >> 12) & 0x3F));
      *p++ = (char)(0x80 | ((cp >> 6) & 0x3F)), *p++ = (char)(0x80 | (cp & 0x3F));
    }
  }
  *p = '\0';
  SysFreeString(text);
  return out;
}

/* The text between the first `open` in xml and the next `close`, into out ("" when missing). */
static const char *between(const char *xml, const char *open, const char *close, char *out, size_t size) {
  const char *start = strstr(xml, open), *end;
  out[0] = '\0';
  if (!start) return out;
  start += strlen(open);
  end = strstr(start, close);
  if (end && (size_t)(end - start) < size) {
    memcpy(out, start, (size_t)(end - start));
    out[end - start] = '\0';
  }
  return out;
}

/* The text of the first element <name> in xml (a till would use its XML parser). */
static const char *field(const char *xml, const char *name, char *out, size_t size) {
  char open[64], close[64];
  snprintf(open, sizeof open, "<%s>", name);
  snprintf(close, sizeof close, "</%s>", name);
  return between(xml, open, close, out, size);
}

static int failures = 0;
static int32_t handle = 0;

/* The request envelope around one document for this till. */
static char *envelope(const char *document) {
  static const char *format =
      "<ReceiptPrinterManager><Type>FP</Type><Driver>DODU_PT_10</Driver><Method>Process</Method>"
      "<LogId>pos</LogId><Handle>%d</Handle><Parameters><Processor>DODU_PT_10</Processor>"
      "<FPTillSerial>T01</FPTillSerial></Parameters>%s</ReceiptPrinterManager>";
  size_t size = strlen(format) + strlen(document) + 16;
  char *text = malloc(size);
  snprintf(text, size, format, handle, document);
  return text;
}

/* The exports' own calling convention (stdcall on 32-bit Windows): a pointer of another one would
 * leave the stack unbalanced after every call. */
typedef int32_t(DODU_CALL *operation)(const BSTR, BSTR *, BSTR *);

/* Sends one document; answers the result XML (malloc'd) or NULL after printing the error. */
static char *call(const char *title, operation op, const char *document) {
  char *request = envelope(document);
  BSTR in = to_bstr(request), result = NULL, error = NULL;
  int32_t code = op(in, &result, &error);
  char *answer = take_utf8(result), *message = take_utf8(error);
  SysFreeString(in);
  free(request);
  if (code != 0) {
    fprintf(stderr, "%s refused (%d): %s\n", title, code, message);
    ++failures;
    free(answer);
    answer = NULL;
  }
  free(message);
  return answer;
}

/* A receipt of one type dated `when`, with lines, taxes, payments and extra elements as given. */
static char *receipt(const char *type, const char *when, const char *total, const char *extra, const char *lines,
                     const char *taxes, const char *payments) {
  static const char *format =
      "<Receipt><Type>%s</Type><DateTime>%s</DateTime><CompanyCode>C01</CompanyCode>"
      "<CompanyTaxCode>PT500100200</CompanyTaxCode><StoreCode>S01</StoreCode><TillCode>01</TillCode>"
      "<OperatorCode>OP1</OperatorCode><TotalAmount>%s</TotalAmount>%s<Lines>%s</Lines><Taxes>%s</Taxes>"
      "<Payments>%s</Payments></Receipt>";
  size_t size = strlen(format) + strlen(type) + strlen(when) + strlen(total) + strlen(extra) + strlen(lines) +
                strlen(taxes) + strlen(payments) + 1;
  char *text = malloc(size);
  snprintf(text, size, format, type, when, total, extra, lines, taxes, payments);
  return text;
}

/* Prints what a till keeps of an issued document: how to name it later, and what to print. */
static void print_document(const char *title, const char *answer, char *number, char *date_time) {
  char invoice[128], atcud[64], qr[512], type[32], total[32];
  const char *receipt, *own;
  if (!answer) return;
  /* The answer is the whole request envelope with its Receipt edited; the elements the library
     adds come after a reference, whose InvoiceNumber is the original's. */
  receipt = strstr(answer, "<Receipt>");
  if (!receipt) return;
  own = strstr(receipt, "</References>");
  if (!own) own = receipt;
  field(own, "Number", number, 32);
  field(receipt, "DateTime", date_time, 32);
  printf("%s: %s %s, number %s, %s, total %s, ATCUD %s\n  QR %s\n", title, field(receipt, "Type", type, sizeof type),
         field(own, "InvoiceNumber", invoice, sizeof invoice), number, date_time,
         field(receipt, "TotalAmount", total, sizeof total), between(receipt, "ATCUD:", "<", atcud, sizeof atcud),
         between(receipt, "SAFTQRCODE=\"True\">", "<", qr, sizeof qr));
}

static void now_text(char *out, size_t size, int offset_seconds) {
  time_t t = time(NULL) + offset_seconds;
  strftime(out, size, "%Y-%m-%dT%H:%M:%S", localtime(&t));
}

int main(void) {
  char when[32], number[32], date_time[32], sale_number[32], sale_date_time[32], text[64];
  char *doc, *answer, *request;
  BSTR in, error = NULL;

  /* OPEN: no handle yet; the answer is the handle every later request carries. */
  request = envelope("");
  in = to_bstr(request);
  if (OPEN(in, &handle, &error) != 0) {
    char *message = take_utf8(error);
    fprintf(stderr, "OPEN refused: %s\n", message);
    free(message);
    return 1;
  }
  SysFreeString(in);
  free(request);
  printf("OPEN: handle %d\n", handle);

  /* A sale at 6 %, 13 % and 23 % with a discount on the wine, paid in cash and by card. */
  now_text(when, sizeof when, 0);
  doc = receipt("Sale", when, "13.90",
                "<CustomerTaxCode>123456789</CustomerTaxCode><CustomerCountry>PT</CustomerCountry>",
                "<productsale><Description>Pao</Description><Quantity>3</Quantity><Price>0.50</Price>"
                "<Amount>1.50</Amount><TaxCode>0600</TaxCode></productsale>"
                "<productsale><Description>Sumo</Description><Quantity>1</Quantity><Price>2.40</Price>"
                "<Amount>2.40</Amount><TaxCode>1300</TaxCode></productsale>"
                "<productsale><Description>Vinho</Description><Quantity>1</Quantity><Price>12.00</Price>"
                "<Amount>12.00</Amount><TaxCode>2300</TaxCode></productsale>"
                "<discountamount><Description>Desconto</Description><Amount>2.00</Amount></discountamount>",
                "<Tax><Type>VAT</Type><Code>0600</Code><Rate>6</Rate><TaxableAmount>1.42</TaxableAmount>"
                "<TaxAmount>0.08</TaxAmount><TotalAmount>1.50</TotalAmount></Tax>"
                "<Tax><Type>VAT</Type><Code>1300</Code><Rate>13</Rate><TaxableAmount>2.12</TaxableAmount>"
                "<TaxAmount>0.28</TaxAmount><TotalAmount>2.40</TotalAmount></Tax>"
                "<Tax><Type>VAT</Type><Code>2300</Code><Rate>23</Rate><TaxableAmount>8.13</TaxableAmount>"
                "<TaxAmount>1.87</TaxAmount><TotalAmount>10.00</TotalAmount></Tax>",
                "<Payment><Type>cash</Type><Amount>5.00</Amount></Payment>"
                "<Payment><Type>creditcard</Type><Amount>8.90</Amount></Payment>");
  answer = call("Sale", PROCESSRECEIPT, doc);
  print_document("Sale", answer, sale_number, sale_date_time);
  free(doc);
  free(answer);

  /* A credit note for the wine: the reference names the sale by device serial, number, date-time. */
  {
    char extra[512];
    snprintf(extra, sizeof extra,
             "<References><OriginalReceipt><DeviceSerialNumber>C01-S01</DeviceSerialNumber>"
             "<ReceiptNumber>%s</ReceiptNumber><ReceiptDateTime>%s</ReceiptDateTime></OriginalReceipt></References>",
             sale_number, sale_date_time);
    now_text(when, sizeof when, 1);
    doc = receipt("Refund", when, "10.00", extra,
                  "<productsale><Description>Vinho</Description><Quantity>1</Quantity><Price>10.00</Price>"
                  "<Amount>10.00</Amount><TaxCode>2300</TaxCode></productsale>",
                  "<Tax><Type>VAT</Type><Code>2300</Code><Rate>23</Rate><TaxableAmount>8.13</TaxableAmount>"
                  "<TaxAmount>1.87</TaxAmount><TotalAmount>10.00</TotalAmount></Tax>",
                  "<Payment><Type>cash</Type><Amount>10.00</Amount></Payment>");
    answer = call("Credit note", PROCESSRECEIPT, doc);
    print_document("Credit note", answer, number, date_time);
    free(doc);
    free(answer);
  }

  /* A sale with a negative total: the library issues it as a credit note. */
  now_text(when, sizeof when, 2);
  doc = receipt("Sale", when, "-5.00", "",
                "<productsale><Description>Garrafa</Description><Quantity>-1</Quantity><Price>5.00</Price>"
                "<Amount>-5.00</Amount><TaxCode>2300</TaxCode></productsale>",
                "<Tax><Type>VAT</Type><Code>2300</Code><Rate>23</Rate><TaxableAmount>-4.07</TaxableAmount>"
                "<TaxAmount>-0.93</TaxAmount><TotalAmount>-5.00</TotalAmount></Tax>",
                "<Payment><Type>cash</Type><Amount>-5.00</Amount></Payment>");
  answer = call("Negative sale", PROCESSRECEIPT, doc);
  print_document("Negative sale", answer, number, date_time);
  free(doc);
  free(answer);

  /* A sale, then its void (a void carries Lines, Taxes and Payments, empty ones will do). */
  now_text(when, sizeof when, 3);
  doc = receipt("Sale", when, "2.40", "",
                "<productsale><Description>Sumo</Description><Quantity>1</Quantity><Price>2.40</Price>"
                "<Amount>2.40</Amount><TaxCode>1300</TaxCode></productsale>",
                "<Tax><Type>VAT</Type><Code>1300</Code><Rate>13</Rate><TaxableAmount>2.12</TaxableAmount>"
                "<TaxAmount>0.28</TaxAmount><TotalAmount>2.40</TotalAmount></Tax>",
                "<Payment><Type>cash</Type><Amount>2.40</Amount></Payment>");
  answer = call("Sale to void", PROCESSRECEIPT, doc);
  print_document("Sale to void", answer, number, date_time);
  free(doc);
  free(answer);
  {
    char extra[512];
    snprintf(extra, sizeof extra,
             "<References><OriginalReceipt><DeviceSerialNumber>C01-S01</DeviceSerialNumber>"
             "<ReceiptNumber>%s</ReceiptNumber><ReceiptDateTime>%s</ReceiptDateTime></OriginalReceipt></References>",
             number, date_time);
    now_text(when, sizeof when, 4);
    doc = receipt("Void", when, "0", extra, "", "", "");
    answer = call("Void", PROCESSRECEIPT, doc);
    print_document("Void", answer, number, date_time);
    free(doc);
    free(answer);
  }

  /* A reprint of the first sale. */
  {
    char reference[512];
    snprintf(reference, sizeof reference,
             "<ReceiptReference><ReceiptType>Sale</ReceiptType><DeviceSerialNumber>C01-S01</DeviceSerialNumber>"
             "<ReceiptNumber>%s</ReceiptNumber><ReceiptDateTime>%s</ReceiptDateTime></ReceiptReference>",
             sale_number, sale_date_time);
    answer = call("Reprint", PROCESSREPRINTRECEIPT, reference);
    if (answer) printf("Reprint: IsReprint %s\n", field(answer, "IsReprint", text, sizeof text));
    free(answer);
  }

  /* X reads the day, Z closes it; both answer the figures and a text to print. */
  answer = call("X report", PROCESSXREPORT, "");
  if (answer) printf("X report: day total %s, documents %s\n", field(answer, "DayTotalAmount", text, sizeof text),
                     field(answer, "DayReceiptsNumber", number, sizeof number));
  free(answer);
  answer = call("Z report", PROCESSZREPORT, "<ZReport><PrintText>false</PrintText></ZReport>");
  if (answer) printf("Z report: number %s, grand total %s\n", field(answer, "ReportNumber", number, sizeof number),
                     field(answer, "GrandTotalAmount", text, sizeof text));
  free(answer);
  answer = call("Status", PROCESSGETSTATUS, "");
  if (answer) printf("Status: day opened %s, till %s\n", field(answer, "DayOpened", text, sizeof text),
                     field(answer, "SerialNumber", number, sizeof number));
  free(answer);

  return failures == 0 ? 0 : 1;
}
