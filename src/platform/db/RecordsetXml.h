#pragma once
// The record-set library's XML persistence format, written and read:
//
//   <xml xmlns:s=... xmlns:dt=... xmlns:rs=... xmlns:z='#RowsetSchema'>
//     <s:Schema id='RowsetSchema'>
//       <s:ElementType name='row' content='eltOnly'>
//         <s:AttributeType name='strCode' rs:number='1' rs:writeunknown='true'>
//           <s:datatype dt:type='string' rs:dbtype='str' dt:maxLength='20' rs:maybenull='false'/>
//         </s:AttributeType>
//         ...
//         <s:extends type='rs:rowbase'/>
//       </s:ElementType>
//     </s:Schema>
//     <rs:data>
//       <z:row strCode='01' dtDate='2005-08-02T00:00:00' blnEnd='True' dblMoney='12.5'/>
//     </rs:data>
//   </xml>
//
// One z:row per record with the columns as attributes; a Null column is left out.

#include "platform/db/Recordset.h"
#include "platform/xml/XmlDocument.h"

namespace corvane::db {

// Replaces the content of `document` by the whole record set (every record, whatever the
// current one is; the position does not change). Raises 0x800A0E78 for a closed record set.
void saveAsXml(const Recordset& recordset, XmlDocument& document);

// Reads a record set in that format from `root`, the element that holds s:Schema and rs:data
// (for a document: its document element). The record set is at its first record. A schema that
// is missing or names no columns raises 0x80004005.
Recordset recordsetFromXml(const XmlNode& root);

}  // namespace corvane::db
