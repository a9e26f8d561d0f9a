#include "statements/TransferCar.h"

#include "statements/Lines.h"

namespace statements::transfer_car {

const std::string& boxList() {
    // The inner query lists each box once per branch, so a box holding lines of two branches
    // counts once for each of them.
    static const std::string text = lines({
        "Select DocNo, CarNo, CarDesc, BranchCode, BranchName, Count(BoxNO) CountBoxNO",
        "From(",
        "Select T.DocNo, Car.Code CarNo, Car.Description CarDesc, B.BranchCode, B.BranchName, "
        "C.BoxNO",
        "From TransferCarHd T",
        "Inner Join Misc Car On (Car.GroupCode = 'CARNO') And (Car.Code = T.CarNo)",
        "Inner Join TransferCarDt C On (C.TransferCarHd = T.Id)",
        "Inner Join TranBranchDt D On (D.BoxNo = C.BoxNo)",
        "Inner Join TranBranchHd H ON (H.Id = D.TranBranchHd) And (H.TranType = 'O')",
        "Inner Join Branch B On (B.Id = H.Branch)",
        "Where T.Id = (Select Max(Id) From TransferCarHd WHere CarNo = :CarNo And T.Closed = 'Y')",
        "Group by T.DocNo, Car.Code, Car.Description, B.BranchCode, B.BranchName, C.BoxNO",
        ") As M",
        "Group by DocNo, CarNo, CarDesc, BranchCode, BranchName",
        "Order by BranchCode",
    });
    return text;
}

}  // namespace statements::transfer_car
