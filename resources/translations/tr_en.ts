<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>CammerWidget</name>
    <message>
        <source>斑点检测</source>
        <translation>Spot Det</translation>
    </message>
    <message>
        <source>忽略区域</source>
        <translation>Ignore Area</translation>
    </message>
    <message>
        <source>目标定位</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>黑斑面积</source>
        <translation>Black Area</translation>
    </message>
    <message>
        <source>白斑面积</source>
        <translation>White Area</translation>
    </message>
    <message>
        <source>相似度</source>
        <translation>Similarity</translation>
    </message>
    <message>
        <source>白斑个数</source>
        <translation>White Num</translation>
    </message>
    <message>
        <source>温度报警</source>
        <translation>Temp Alarm</translation>
    </message>
    <message>
        <source>角度矫正</source>
        <translation>Angle Correct</translation>
    </message>
    <message>
        <source>缺陷检测</source>
        <translation>Defect</translation>
    </message>
</context>
<context>
    <name>DateTimeWidget</name>
    <message>
        <source>开始日期</source>
        <translation>Start date</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>Start time</translation>
    </message>
    <message>
        <source>结束日期</source>
        <translation>End date</translation>
    </message>
    <message>
        <source>结束时间</source>
        <translation>End time</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>日期检索错误!
是否重新检索</source>
        <translation>Date range error!
Search again?</translation>
    </message>
</context>
<context>
    <name>FromTimeToTime</name>
    <message>
        <source>开始日期</source>
        <translation>Start date</translation>
    </message>
    <message>
        <source>结束日期</source>
        <translation>End date</translation>
    </message>
</context>
<context>
    <name>MultipleBtnGroup</name>
    <message>
        <source>相机%1</source>
        <translation>Camera%1</translation>
    </message>
    <message>
        <source>所有相机</source>
        <translation>All Camera</translation>
    </message>
</context>
<context>
    <name>NumberKeyPad</name>
    <message>
        <source>退格</source>
        <translation>BS</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>PasswordBox</name>
    <message>
        <source>输入框</source>
        <translation>Input</translation>
    </message>
</context>
<context>
    <name>RollingBoxY</name>
    <message>
        <source>时</source>
        <translation>h</translation>
    </message>
    <message>
        <source>分</source>
        <translation>m</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
</context>
<context>
    <name>Warnbox</name>
    <message>
        <source>警告提示</source>
        <translation>Warning</translation>
    </message>
</context>
<context>
    <name>cancelbtn</name>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>inputbox</name>
    <message>
        <source>输入框</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>请输入密码</source>
        <translation>Please enter the password</translation>
    </message>
</context>
<context>
    <name>modifyTimeWidget</name>
    <message>
        <source>修改日期</source>
        <translation>Set date</translation>
    </message>
    <message>
        <source>修改时间</source>
        <translation>Set time</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>okbtn</name>
    <message>
        <source>确定</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>tipbox</name>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
</context>
</TS>
