#pragma once

#include "saft/saft_invoice.h"
#include "saft/xml_stream_writer.h"

namespace dodu {

// Writes one Invoice element of SalesInvoices, its children in the schema's order.
void WriteInvoice(XmlStreamWriter& aXml, const SaftInvoice& aInvoice);

}  // namespace dodu
