/* The C interface of an OPOS fiscal printer bridge: a shared library that a printer vendor or
   integrator provides where no OPOS control exists, so that the driver reaches the UnifiedPOS
   fiscal printer through it. docs/opos-bridge.md describes the contract.

   Plain C, no C++ types: the bridge may be built with any compiler. */
#ifndef DODU_OPOS_BRIDGE_H
#define DODU_OPOS_BRIDGE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define OPOS_BRIDGE_VERSION 1
/* The one symbol the driver looks up in the bridge library. */
#define OPOS_BRIDGE_ENTRY_NAME "OposFiscalPrinterBridge"

/* One fiscal printer control, owned by the bridge. */
typedef struct OposFiscalPrinter OposFiscalPrinter;

/* Currency values are counts of ten-thousandths (the OPOS CURRENCY representation); texts are
   UTF-8 and zero-terminated. A text the bridge hands back stays valid until the next call on
   the same control. Methods answer the OPOS result code (0 = OPOS_SUCCESS); property
   accessors answer 0, or a non-zero code when the property cannot be read or written. */
typedef struct OposBridgeApi {
  uint32_t struct_size; /* sizeof(OposBridgeApi) as the bridge was built */
  uint32_t version;     /* OPOS_BRIDGE_VERSION */

  OposFiscalPrinter* (*create)(void);
  void (*destroy)(OposFiscalPrinter* printer);

  int32_t (*open)(OposFiscalPrinter* printer, const char* device_name);
  int32_t (*claim_device)(OposFiscalPrinter* printer, int32_t timeout_ms);
  int32_t (*release_device)(OposFiscalPrinter* printer);
  int32_t (*close)(OposFiscalPrinter* printer);

  int32_t (*begin_fiscal_receipt)(OposFiscalPrinter* printer, int32_t print_header);
  int32_t (*end_fiscal_receipt)(OposFiscalPrinter* printer, int32_t print_header);
  int32_t (*print_rec_item)(OposFiscalPrinter* printer, const char* description, int64_t price, int32_t quantity,
                            int32_t vat_info, int64_t unit_price, const char* unit_name);
  int32_t (*print_rec_item_void)(OposFiscalPrinter* printer, const char* description, int64_t price,
                                 int32_t quantity, int32_t vat_info, int64_t unit_price, const char* unit_name);
  int32_t (*print_rec_refund)(OposFiscalPrinter* printer, const char* description, int64_t amount,
                              int32_t vat_info);
  int32_t (*print_rec_item_adjustment)(OposFiscalPrinter* printer, int32_t adjustment_type,
                                       const char* description, int64_t amount, int32_t vat_info);
  int32_t (*print_rec_subtotal)(OposFiscalPrinter* printer, int64_t amount);
  int32_t (*print_rec_subtotal_adjustment)(OposFiscalPrinter* printer, int32_t adjustment_type,
                                           const char* description, int64_t amount);
  int32_t (*print_rec_total)(OposFiscalPrinter* printer, int64_t total, int64_t payment, const char* description);
  int32_t (*print_rec_not_paid)(OposFiscalPrinter* printer, const char* description, int64_t amount);
  int32_t (*print_rec_message)(OposFiscalPrinter* printer, const char* message);
  int32_t (*print_rec_tax_id)(OposFiscalPrinter* printer, const char* tax_id);
  int32_t (*begin_non_fiscal)(OposFiscalPrinter* printer);
  int32_t (*print_normal)(OposFiscalPrinter* printer, int32_t station, const char* data);
  int32_t (*end_non_fiscal)(OposFiscalPrinter* printer);
  int32_t (*reset_printer)(OposFiscalPrinter* printer);
  int32_t (*begin_training)(OposFiscalPrinter* printer);
  int32_t (*end_training)(OposFiscalPrinter* printer);
  int32_t (*print_x_report)(OposFiscalPrinter* printer);
  int32_t (*print_z_report)(OposFiscalPrinter* printer);
  int32_t (*set_date)(OposFiscalPrinter* printer, const char* date); /* ddmmyyyyhhnn */
  int32_t (*get_date)(OposFiscalPrinter* printer, const char** date);
  int32_t (*get_data)(OposFiscalPrinter* printer, int32_t data_item, int32_t* opt_args, const char** data);
  int32_t (*direct_io)(OposFiscalPrinter* printer, int32_t command, int32_t* data, const char* string_in,
                       const char** string_out);

  /* Properties by their UnifiedPOS names. Numbers carry long and boolean properties
     (booleans as 0 or 1). */
  int32_t (*get_number)(OposFiscalPrinter* printer, const char* property, int32_t* value);
  int32_t (*set_number)(OposFiscalPrinter* printer, const char* property, int32_t value);
  int32_t (*get_text)(OposFiscalPrinter* printer, const char* property, const char** value);
  int32_t (*set_text)(OposFiscalPrinter* printer, const char* property, const char* value);
} OposBridgeApi;

/* The bridge library exports this function under OPOS_BRIDGE_ENTRY_NAME. */
typedef const OposBridgeApi* (*OposBridgeEntry)(void);

#ifdef __cplusplus
}
#endif

#endif
