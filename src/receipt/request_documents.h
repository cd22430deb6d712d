#pragma once

// The request documents besides the receipt, for code that handles all of them.
#include "receipt/customer_display.h"
#include "receipt/dept_table.h"
#include "receipt/drawer.h"
#include "receipt/economic_activity_table.h"
#include "receipt/ej_files_request.h"
#include "receipt/ej_report.h"
#include "receipt/nf_receipt.h"
#include "receipt/payment_receipt.h"
#include "receipt/receipt_reference.h"
#include "receipt/vat_table.h"
#include "receipt/z_report.h"
