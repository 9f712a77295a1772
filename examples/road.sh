#!/usr/bin/env bash
# The road of a staff loan from entry to the general ledger, through `corvane call` on the demo
# account: the loan is saved, submitted and approved, paid through the net bank and confirmed by
# the bank; an expense claim writes it off and is approved; both are listed for posting and
# posted as one ledger voucher, which is listed, read and voided; the vouchers are postable again,
# their draft is previewed, a line's digest edited and the edited draft saved as a ledger voucher.
# Then a travel claim is saved, approved, paid by cheque and posted, and its cheque is found in
# the cheque book (the demo's posting settings serve it).
#
# Usage: examples/road.sh CORVANE ACCOUNT_DIR
#   CORVANE      the built corvane program (e.g. build/release/corvane)
#   ACCOUNT_DIR  an account folder; the demo account is created there when it does not exist
# Prints each request's reply. Stops at the first reply that is an error.
set -euo pipefail

if [[ $# -ne 2 ]]; then
  echo "usage: $0 CORVANE ACCOUNT_DIR" >&2
  exit 2
fi
corvane=$1
account=$2
date=2026-01-31

[[ -d $account ]] || "$corvane" init "$account"

reply=""
step() {  # step TITLE CLASS REQUEST: serves REQUEST with CLASS and prints the reply
  echo "== $1"
  reply=$("$corvane" call --account "$account" --user demo --password demo --locale en-us --date "$date" "$2" <<<"$3")
  echo "$reply"
  echo
  if grep -q "<error>" <<<"$reply"; then
    echo "road.sh: the step \"$1\" was refused" >&2
    exit 1
  fi
}
# The first value of attribute $1 in the last reply.
attr() { grep -o " $1=\"[^\"]*\"" <<<"$reply" | head -n 1 | sed 's/^[^"]*"//; s/"$//'; }
# One value read with CPubMsg "selectget" (a single reading statement).
value() {
  step "read: $1" Corvane.CPubMsg "<req><func name='selectget'><in><sql>$1</sql></in></func></req>" >/dev/null
  attr "$2"
}
# The row version of a voucher head or line, as the client sends it back.
rowVersion() { value "select Cast(ts As money) As ts from $1 where GUID = '$2'" ts; }

submit() {  # submit CLASS TABLE GUID WHAT
  step "submit $4" "$1" "<req><func name='submitaudit'><in><GUID>$3</GUID><ts>$(rowVersion "$2" "$3")</ts></in></func></req>"
}

# Approves a voucher: "CheckAudit" approves it directly, or answers it back when it is under an
# approval flow, whose steps "AuditVouch" then approves one by one.
approve() {  # approve TABLE GUID KIND NUMBER
  local ts step
  ts=$(rowVersion "$1" "$2")
  step "approve $4" Corvane.CAudit \
    "<req><func name='CheckAudit'><in><list flag='1'><row guid='$2' ts='$ts' strType='$3' strVouchID='$4'/></list></in></func></req>"
  for step in 1 2 3 4 5; do
    [[ -z $(value "select IsNull(strAuditorID,'') As a from $1 where GUID = '$2'" a) ]] || return 0
    ts=$(rowVersion "$1" "$2")
    step "approve $4: step $step of its flow" Corvane.CAudit \
      "<req><func name='AuditVouch'><in><EASTdata><task EAAID='$step' remark='Approved'/></EASTdata><strGUID><Rows flag='1'><row strGUID='$2' ts='$ts' strType='$3' strVouchID='$4'/></Rows></strGUID></in></func></req>"
  done
  echo "road.sh: $4 was not approved" >&2
  exit 1
}

loan=JK2026019001
claim=BX2026019001

step "posting settings: loans to other receivables, office expenses to 660202" Corvane.CPzSet \
  "<req><func name='saveiokm'><in><rows><r P='1' strOperatType='301' strCurrency='人民币' strCode='1221' blnModiDire='0'/><r P='1' strOperatType='202' strIOItemCode='202' strCurrency='人民币' strCode='660202' blnModiDire='0'/></rows></in></func></req>"

step "save the loan $loan: 1200 by bank transfer" Corvane.CLoan \
  "<req><func name='savevouch'><in><xml><head><z:row GUID='' strTypeCode='301' strVouchID='$loan' dtLoanDate='${date}T00:00:00' strDepartID='0301' strLoanID='0005' strBill='人民币' fltRate='1' dblMoney='1200' dblOldMoney='1200' strUsed='Trip to Hangzhou' strPersonID='周建国'/></head><body><z:row strBalanceID='3' dblMoney='1200' strBillID='ZZ0131001' strPayBankID='01' strBankName='招商银行苏州分行' strBankAcc='6225880212345678'/></body></xml></in></func></req>"
loanGuid=$(value "select GUID from KX_LoanVouch where strVouchID = '$loan'" GUID)

submit Corvane.CLoan KX_LoanVouch "$loanGuid" "the loan"

approve KX_LoanVouch "$loanGuid" KX03 "$loan"

loanLine=$(value "select GUID from KX_LoanVouch_Sub where MGuid = '$loanGuid'" GUID)
step "pay the loan line through the net bank" Corvane.CNetPay \
  "<req><func name='netpay'><in><row guid='$loanLine' strtypecode='301'/></in></func></req>"

echo "== the bank confirms the bill"
"$corvane" bank "$account" confirm "$loanLine"
echo

step "save the expense claim $claim: 1200 of office expenses" Corvane.CExpense \
  "<req><func name='savevouch'><in><xml><head><z:row GUID='' strTypeCode='202' strVouchID='$claim' dtLoanDate='${date}T00:00:00' strDepartID='0301' strLoanID='0005' strBill='人民币' fltRate='1' dblMoney='1200' dblOldMoney='1200' strUsed='Office supplies for the trip' strPersonID='周建国'/></head><body><z:row strIOItem='202' dblMoney='1200'/></body></xml></in></func></req>"
claimGuid=$(value "select GUID from KX_ExpenVouch where strVouchID = '$claim'" GUID)

step "the claim writes the loan off" Corvane.CExpense \
  "<req><func name='SaveLoanInfo'><in GUID='$claimGuid' ts='$(rowVersion KX_ExpenVouch "$claimGuid")' del='0' strBill='人民币' fltRate='1'><rows><row GUID='$loanLine' ts='$(rowVersion KX_LoanVouch_Sub "$loanLine")' GUID1='' ts1='' blnUsed='0' dblRetValue='1200'/></rows></in></func></req>"

submit Corvane.CExpense KX_ExpenVouch "$claimGuid" "the claim"

approve KX_ExpenVouch "$claimGuid" KX02 "$claim"

writeOff=$(value "select GUID from KX_ExpenLoanInfo where Expenguid = '$claimGuid'" GUID)
step "settle the approved claim: its write-off is applied to the loan line" Corvane.CExpense \
  "<req><func name='SaveLoanInfo'><in GUID='$claimGuid' ts='$(rowVersion KX_ExpenVouch "$claimGuid")' del='0' strBill='人民币' fltRate='1'><rows><row GUID='$loanLine' ts='$(rowVersion KX_LoanVouch_Sub "$loanLine")' GUID1='$writeOff' ts1='$(rowVersion KX_ExpenLoanInfo "$writeOff")' blnUsed='0' dblRetValue='1200'/></rows></in></func></req>"

# A voucher's row of the posting list, as the client sends it back.
listRow() {  # listRow TABLE GUID TYPE NUMBER
  echo "<row strtypecode='$3' guid='$2' strvouchid='$4' ts='$(rowVersion "$1" "$2")'/>"
}
# The rows of the loan and the claim that writes it off.
sources() {
  listRow KX_LoanVouch "$loanGuid" 301 "$loan"
  listRow KX_ExpenVouch "$claimGuid" 202 "$claim"
}
list="<page><current>0</current><rows>0</rows></page><cond/>"

step "list the vouchers to post" Corvane.CQuery "<req><func name='listmakepzdata'><in>$list</in></func></req>"

rows=$(sources)
step "post them as one ledger voucher" Corvane.CMakePZ \
  "<req><func name='makepz'><in><pztype>记</pztype><pzdate>$date</pzdate><blnTemp>0</blnTemp><rows>$rows</rows><daily>$rows</daily></in></func></req>"

step "the ledger voucher in the ledger list" Corvane.CQuery \
  "<req><func name='listpzdata'><in><page><current>0</current><rows>0</rows></page><cond><row name='strtypecode' fieldname='strtypecode' fieldtype='1' value='4' type='9'/></cond></in></func></req>"
pzguid=$(attr pzguid)
pzcode=$(attr strpzcode)
number=$(attr ino_id)

step "read the ledger voucher $pzcode" Corvane.CMakePZ \
  "<req><func name='getpzdata'><in><blnTemp>1</blnTemp><strpzcode>$pzcode</strpzcode></in></func></req>"

step "void it" Corvane.CMakePZ \
  "<req><func name='cancelpz'><in><rows><row pzguid='$pzguid' strpzcode='$pzcode' ino_id='$number'/></rows></in></func></req>"

step "the vouchers are postable again" Corvane.CQuery "<req><func name='listmakepzdata'><in>$list</in></func></req>"

step "preview their ledger voucher" Corvane.CMakePZ \
  "<req><func name='getpzdata'><in csign='记' dbill_date='$date'><blnTemp>0</blnTemp>$(sources)</in></func></req>"

# The previewed lines, the first one's digest edited.
lines=$(grep -o "<Rows>.*</Rows>" <<<"$reply" | sed 's/ cdigest="[^"]*"/ cdigest="Trip to Hangzhou, settled"/')
step "save the edited draft as a ledger voucher" Corvane.CMakePZ \
  "<req><func name='SaveTempPZData'><in csign='记' dbill_date='$date'/><daily>$(sources)</daily>$lines</func></req>"

step "the saved ledger voucher" Corvane.CQuery \
  "<req><func name='listpzdata'><in><page><current>0</current><rows>0</rows></page><cond><row name='strtypecode' fieldname='strtypecode' fieldtype='1' value='4' type='9'/></cond></in></func></req>"

cheque=ZP0131001
trip=BX2026019002
step "save the travel claim $trip: 1500 of fares and lodging" Corvane.CExpense \
  "<req><func name='savevouch'><in><xml><head><z:row GUID='' strTypeCode='201' strVouchID='$trip' dtLoanDate='${date}T00:00:00' strDepartID='0301' strLoanID='0005' strBill='人民币' fltRate='1' dblMoney='1500' dblOldMoney='1500' strUsed='Customer visit to Nanjing' strPersonID='周建国'/></head><body><z:row strIOItem='20101' dblMoney='600' dblOldMoney='600'/><z:row strIOItem='20102' dblMoney='900' dblOldMoney='900'/></body></xml></in></func></req>"
tripGuid=$(value "select GUID from KX_ExpenVouch where strVouchID = '$trip'" GUID)

submit Corvane.CExpense KX_ExpenVouch "$tripGuid" "the travel claim"

approve KX_ExpenVouch "$tripGuid" KX02 "$trip"

step "pay the travel claim by cheque $cheque: the claim is settled" Corvane.CExpense \
  "<req><func name='SaveExpenInfo'><in GUID='$tripGuid' ts='$(rowVersion KX_ExpenVouch "$tripGuid")'><rows><row P='1' intIOType='Payment' strBalanceID='2' dblMoney='1500' strBillID='$cheque' strPayBankID='01'/></rows></in></func></req>"

rows=$(listRow KX_ExpenVouch "$tripGuid" 201 "$trip")
step "post the travel claim as a ledger voucher" Corvane.CMakePZ \
  "<req><func name='makepz'><in><pztype>记</pztype><pzdate>$date</pzdate><blnTemp>0</blnTemp><rows>$rows</rows><daily>$rows</daily></in></func></req>"

step "the cheque $cheque in the cheque book" Corvane.CPubMsg \
  "<req><func name='selectget'><in><sql>select cn_id, cCode, csettle, mc, cperson, cWriter from ChequeBook where cn_id = '$cheque'</sql></in></func></req>"
if [[ $(attr cn_id) != "$cheque" ]]; then
  echo "road.sh: the cheque $cheque was not registered" >&2
  exit 1
fi
