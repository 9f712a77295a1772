#!/usr/bin/env bash
# The road of a staff loan from entry to the general ledger, through `corvane call` on the demo
# account: the loan is saved, submitted and approved, paid through the net bank and confirmed by
# the bank; an expense claim writes it off and is approved; both are listed for posting and
# posted as one ledger voucher, which is listed, read and voided; the vouchers are postable again,
# their draft is previewed, a line's digest edited and the edited draft saved as a ledger voucher.
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

# Approves a voucher: "CheckAudit" approves it directly, or answers it back when it is under an
# approval flow, whose steps "AuditVouch" then approves one by one.
approve() {  # approve TABLE GUID KIND NUMBER
  local ts step
  ts=$(value "select Cast(ts As money) As ts from $1 where GUID = '$2'" ts)
  step "approve $4" Corvane.CAudit \
    "<req><func name='CheckAudit'><in><list flag='1'><row guid='$2' ts='$ts' strType='$3' strVouchID='$4'/></list></in></func></req>"
  for step in 1 2 3 4 5; do
    [[ -z $(value "select IsNull(strAuditorID,'') As a from $1 where GUID = '$2'" a) ]] || return 0
    ts=$(value "select Cast(ts As money) As ts from $1 where GUID = '$2'" ts)
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

step "submit the loan" Corvane.CLoan \
  "<req><func name='submitaudit'><in><GUID>$loanGuid</GUID><ts>$(value "select Cast(ts As money) As ts from KX_LoanVouch where GUID = '$loanGuid'" ts)</ts></in></func></req>"

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
  "<req><func name='SaveLoanInfo'><in GUID='$claimGuid' ts='$(value "select Cast(ts As money) As ts from KX_ExpenVouch where GUID = '$claimGuid'" ts)' del='0' strBill='人民币' fltRate='1'><rows><row GUID='$loanLine' ts='$(value "select Cast(ts As money) As ts from KX_LoanVouch_Sub where GUID = '$loanLine'" ts)' GUID1='' ts1='' blnUsed='0' dblRetValue='1200'/></rows></in></func></req>"

step "submit the claim" Corvane.CExpense \
  "<req><func name='submitaudit'><in><GUID>$claimGuid</GUID><ts>$(value "select Cast(ts As money) As ts from KX_ExpenVouch where GUID = '$claimGuid'" ts)</ts></in></func></req>"

approve KX_ExpenVouch "$claimGuid" KX02 "$claim"

writeOff=$(value "select GUID from KX_ExpenLoanInfo where Expenguid = '$claimGuid'" GUID)
step "settle the approved claim: its write-off is applied to the loan line" Corvane.CExpense \
  "<req><func name='SaveLoanInfo'><in GUID='$claimGuid' ts='$(value "select Cast(ts As money) As ts from KX_ExpenVouch where GUID = '$claimGuid'" ts)' del='0' strBill='人民币' fltRate='1'><rows><row GUID='$loanLine' ts='$(value "select Cast(ts As money) As ts from KX_LoanVouch_Sub where GUID = '$loanLine'" ts)' GUID1='$writeOff' ts1='$(value "select Cast(ts As money) As ts from KX_ExpenLoanInfo where GUID = '$writeOff'" ts)' blnUsed='0' dblRetValue='1200'/></rows></in></func></req>"

# The rows of the posting list for the two vouchers, as the client sends them back.
sources() {
  local loanTs claimTs
  loanTs=$(value "select Cast(ts As money) As ts from KX_LoanVouch where GUID = '$loanGuid'" ts)
  claimTs=$(value "select Cast(ts As money) As ts from KX_ExpenVouch where GUID = '$claimGuid'" ts)
  echo "<row strtypecode='301' guid='$loanGuid' strvouchid='$loan' ts='$loanTs'/><row strtypecode='202' guid='$claimGuid' strvouchid='$claim' ts='$claimTs'/>"
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
