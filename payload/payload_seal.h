// The check of the embedded data against the seal the generator made (see
// product/product_data.h). No Windows calls, so the host tests run it against
// generated tables too.
#pragma once

// True when the table and every chunk byte are as the generator wrote them:
// one sequential pass over the blob, the names and the table's numbers, and a
// check that every pointer of the table lies where the layout puts it.
bool PayloadIsIntact();
