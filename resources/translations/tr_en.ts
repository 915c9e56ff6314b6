<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>CameraReportForm_Model</name>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>检测工具</source>
        <translation>Tool</translation>
    </message>
    <message>
        <source>下限</source>
        <translation>Lower</translation>
    </message>
    <message>
        <source>上限</source>
        <translation>Upper</translation>
    </message>
    <message>
        <source>检测值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
</context>
<context>
    <name>CameraWgt_DataWidget</name>
    <message>
        <source>此相机未启用！</source>
        <translation>This camera is not enabled!</translation>
    </message>
    <message>
        <source>模板数 %1 / %2   %3</source>
        <translation>Template %1 / %2   %3</translation>
    </message>
</context>
<context>
    <name>CameraWgt_DataWidget_Title</name>
    <message>
        <source>相机%1</source>
        <translation>Camera%1</translation>
    </message>
    <message>
        <source>取样中</source>
        <translation>Sampling</translation>
    </message>
    <message>
        <source>停止中</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>检测中</source>
        <translation>Detecting</translation>
    </message>
    <message>
        <source>检测完</source>
        <translation>Detected</translation>
    </message>
    <message>
        <source>等待中</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>成品</source>
        <translation>Product</translation>
    </message>
    <message>
        <source>左成品</source>
        <translation>Left Product</translation>
    </message>
    <message>
        <source>模腔</source>
        <translation>Cavity</translation>
    </message>
    <message>
        <source>左模腔</source>
        <translation>Left Cavity</translation>
    </message>
    <message>
        <source>右成品</source>
        <translation>Right Product</translation>
    </message>
    <message>
        <source>右模腔</source>
        <translation>Right Cavity</translation>
    </message>
    <message>
        <source>%1号相机 %2 %3</source>
        <translation>Camera%1 %2 %3</translation>
    </message>
</context>
<context>
    <name>CameraWgt_DataWidget_Title_Normal</name>
    <message>
        <source>帧率 </source>
        <translation>FPS </translation>
    </message>
    <message>
        <source>NG数 </source>
        <translation>NG </translation>
    </message>
    <message>
        <source>总数 </source>
        <translation>Total </translation>
    </message>
</context>
<context>
    <name>CameraWgt_DataWidget_Title_SetROI</name>
    <message>
        <source>图片信息</source>
        <translation>Image Info</translation>
    </message>
</context>
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
    <message>
        <source>相机%1，重连成功</source>
        <translation>Camera %1 reconnected</translation>
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
    <name>StatisticsWidget</name>
    <message>
        <source>上一个导出任务未完成</source>
        <translation>The previous export has not finished</translation>
    </message>
    <message>
        <source>数据导出完成</source>
        <translation>Data export finished</translation>
    </message>
    <message>
        <source>数据导出失败</source>
        <translation>Data export failed</translation>
    </message>
    <message>
        <source>生产统计</source>
        <translation>Production statistics</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>相机号</source>
        <translation>Camera</translation>
    </message>
    <message>
        <source>检测号</source>
        <translation>Detect</translation>
    </message>
    <message>
        <source>区域号</source>
        <translation>Region</translation>
    </message>
    <message>
        <source>日期时间</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>导出数据</source>
        <translation>Export data</translation>
    </message>
    <message>
        <source>时间检索不能为空</source>
        <translation>Please choose a time range first</translation>
    </message>
    <message>
        <source>请先选择导出路径</source>
        <translation>Please choose an export folder first</translation>
    </message>
    <message>
        <source>确定是否导出</source>
        <translation>Export the data?</translation>
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
    <name>_RollingTime</name>
    <message>
        <source>确定</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
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
        <source>清空</source>
        <translation>Clear</translation>
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
<context>
    <name>SystemParamDialog</name>
    <message>
        <source>参数设置</source>
        <translation>Parameter settings</translation>
    </message>
    <message>
        <source>系统参数</source>
        <translation>System</translation>
    </message>
    <message>
        <source>相机参数</source>
        <translation>Camera</translation>
    </message>
    <message>
        <source>输入输出</source>
        <translation>Input/Output</translation>
    </message>
    <message>
        <source>高级参数</source>
        <translation>Advanced</translation>
    </message>
    <message>
        <source>操作记录</source>
        <translation>Operation log</translation>
    </message>
    <message>
        <source>所有相机均未启用，请重新确认要启用的相机</source>
        <translation>No camera is enabled, please choose the cameras to use</translation>
    </message>
</context>
<context>
    <name>ParamChangeLog</name>
    <message>
        <source>角度矫正</source>
        <translation>Angle correction</translation>
    </message>
    <message>
        <source>模具位置</source>
        <translation>Mold side</translation>
    </message>
</context>
<context>
    <name>SystemParamWidget</name>
    <message>
        <source>成品延時</source>
        <translation>Prod</translation>
    </message>
    <message>
        <source>模腔延时</source>
        <translation>Mold</translation>
    </message>
    <message>
        <source>一次延时</source>
        <translation>Delay 1</translation>
    </message>
    <message>
        <source>二次延时</source>
        <translation>Delay 2</translation>
    </message>
    <message>
        <source>模腔重检</source>
        <translation>Mold</translation>
    </message>
    <message>
        <source>过滤尺寸</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>报警面积</source>
        <translation>Area</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>S</translation>
    </message>
    <message>
        <source>启用成品检测</source>
        <translation>Enable detection prod</translation>
    </message>
    <message>
        <source>半自动</source>
        <translation>Semiauto</translation>
    </message>
    <message>
        <source>运动矫正</source>
        <translation>Motion correction</translation>
    </message>
    <message>
        <source>模腔参数同步成品参数</source>
        <translation>Mold follows prod parameters</translation>
    </message>
    <message>
        <source>启用密码保护</source>
        <translation>Enable password</translation>
    </message>
    <message>
        <source>模板自动更新</source>
        <translation>Template auto update</translation>
    </message>
    <message>
        <source>延时参数</source>
        <translation>Delay</translation>
    </message>
    <message>
        <source>NG时自动重检次数</source>
        <translation>Automatic rechecks after NG</translation>
    </message>
    <message>
        <source>功能设置</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>参数开关</source>
        <translation>Switches</translation>
    </message>
    <message>
        <source>参数管理</source>
        <translation>Management</translation>
    </message>
    <message>
        <source>计数清零</source>
        <translation>Clear counts</translation>
    </message>
    <message>
        <source>清零</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>系统语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>电源管理</source>
        <translation>Power</translation>
    </message>
    <message>
        <source>关闭电源</source>
        <translation>Power off</translation>
    </message>
    <message>
        <source>确定要清零计数吗？</source>
        <translation>Clear the counters?</translation>
    </message>
</context>
<context>
    <name>AdvanceParamWidget</name>
    <message>
        <source>正在检查安装包...</source>
        <translation>Checking the package...</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>更新失败</source>
        <translation>Update failed</translation>
    </message>
    <message>
        <source>重置失败</source>
        <translation>Reset failed</translation>
    </message>
    <message>
        <source>网络异常无法访问</source>
        <translation>Network error: the update server cannot be reached</translation>
    </message>
    <message>
        <source>参数组</source>
        <translation>Parameter groups</translation>
    </message>
    <message>
        <source>参数编辑</source>
        <translation>Limits</translation>
    </message>
    <message>
        <source>参数开关</source>
        <translation>Switches</translation>
    </message>
    <message>
        <source>新密码</source>
        <translation>New password</translation>
    </message>
    <message>
        <source>确认密码</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>参数组名称不能是“.”或“..”，也不能含有“/”或控制字符！</source>
        <translation>A parameter group name cannot be &quot;.&quot; or &quot;..&quot; nor hold &quot;/&quot; or control characters!</translation>
    </message>
    <message>
        <source>默认参数组不能被覆盖或删除！</source>
        <translation>The default parameter group cannot be overwritten or deleted!</translation>
    </message>
    <message>
        <source>参数组备份失败，原有的参数组没有改变！</source>
        <translation>The backup of the parameter group failed; the stored group is unchanged!</translation>
    </message>
    <message>
        <source>正在导出数据...</source>
        <translation>Exporting data...</translation>
    </message>
    <message>
        <source>数据导出失败，测试图片已保留！</source>
        <translation>Exporting the data failed; the test images are kept!</translation>
    </message>
    <message>
        <source>选择投影数据文件目录</source>
        <translation>Choose the update package</translation>
    </message>
    <message>
        <source>更新文件复制失败，请检查U盘！</source>
        <translation>Copying the update failed, please check the USB disk!</translation>
    </message>
</context>
<context>
    <name>InputOutputParamWidget</name>
    <message>
        <source>报警时长</source>
        <translation>Alarm P</translation>
    </message>
    <message>
        <source>检测信号分离</source>
        <translation>Separate detection signals</translation>
    </message>
    <message>
        <source>温度检测报警不停机</source>
        <translation>No stop on temperature alarm</translation>
    </message>
    <message>
        <source>  标准</source>
        <translation>  Standard</translation>
    </message>
    <message>
        <source> 双色机</source>
        <translation> Two-colour</translation>
    </message>
    <message>
        <source> 转盘机</source>
        <translation> Turntable</translation>
    </message>
    <message>
        <source>系统功能</source>
        <translation>Machine</translation>
    </message>
    <message>
        <source>通讯端口</source>
        <translation>IO port</translation>
    </message>
    <message>
        <source>参数开关</source>
        <translation>Switches</translation>
    </message>
    <message>
        <source>参数调整</source>
        <translation>Adjustment</translation>
    </message>
</context>
<context>
    <name>CameraParamWidget</name>
    <message>
        <source>曝光时间</source>
        <translation>Exposure</translation>
    </message>
    <message>
        <source>发射率</source>
        <translation>Emissivity</translation>
    </message>
    <message>
        <source>增益调节</source>
        <translation>Gain</translation>
    </message>
    <message>
        <source>反射温度</source>
        <translation>Reflected T</translation>
    </message>
    <message>
        <source>清晰度</source>
        <translation>Clarity</translation>
    </message>
    <message>
        <source>大气温度</source>
        <translation>Air T</translation>
    </message>
    <message>
        <source>真实度</source>
        <translation>Contrast</translation>
    </message>
    <message>
        <source>温度范围</source>
        <translation>T range</translation>
    </message>
    <message>
        <source>Gamma</source>
        <translation>Gamma</translation>
    </message>
    <message>
        <source>目标距离</source>
        <translation>Distance</translation>
    </message>
    <message>
        <source>%1 号相机</source>
        <translation>Camera %1</translation>
    </message>
    <message>
        <source>启用</source>
        <translation>Enable</translation>
    </message>
    <message>
        <source>参数开关</source>
        <translation>Switches</translation>
    </message>
    <message>
        <source>水平镜像</source>
        <translation>Mirror horizontally</translation>
    </message>
    <message>
        <source>垂直镜像</source>
        <translation>Mirror vertically</translation>
    </message>
    <message>
        <source>连续采集定时检测</source>
        <translation>Continuous timed detection</translation>
    </message>
    <message>
        <source>排序</source>
        <translation>Reorder</translation>
    </message>
</context>
<context>
    <name>DottomDockWidget</name>
    <message>
        <source>重新取样</source>
        <translation>Resample</translation>
    </message>
    <message>
        <source>开始检测</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止检测</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>DottomDock_Describe_part1</name>
    <message>
        <source>周期%1秒</source>
        <translation>Cycle %1 s</translation>
    </message>
</context>
<context>
    <name>VersionDownloadDialog</name>
    <message>
        <source>版本库</source>
        <translation>Version library</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>上一页</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>下一页</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>是否开始下载该版本?</source>
        <translation>Download this version?</translation>
    </message>
    <message>
        <source>下载中...</source>
        <translation>Downloading...</translation>
    </message>
    <message>
        <source>下载成功
重启后自动更新</source>
        <translation>Download finished
The update is applied at the next start</translation>
    </message>
    <message>
        <source>下载失败</source>
        <translation>Download failed</translation>
    </message>
    <message>
        <source>未知的安装包</source>
        <translation>Unknown package</translation>
    </message>
    <message>
        <source>无法写入安装目录</source>
        <translation>Cannot write the install folder</translation>
    </message>
    <message>
        <source>服务器答复 %1</source>
        <translation>The server answered %1</translation>
    </message>
    <message>
        <source>安装包过大</source>
        <translation>The package is too large</translation>
    </message>
    <message>
        <source>文件类型不符</source>
        <translation>Not a package of this type</translation>
    </message>
    <message>
        <source>传输中断</source>
        <translation>The transfer stalled</translation>
    </message>
    <message>
        <source>安装包不完整</source>
        <translation>The package arrived incomplete</translation>
    </message>
    <message>
        <source>网络错误</source>
        <translation>Network error</translation>
    </message>
    <message>
        <source>安装包为空</source>
        <translation>The package is empty</translation>
    </message>
    <message>
        <source>正在备份安装目录...</source>
        <translation>Backing up the install folder...</translation>
    </message>
    <message>
        <source>正在读取版本列表...</source>
        <translation>Reading the version list...</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>下载已取消</source>
        <translation>Download cancelled</translation>
    </message>
    <message>
        <source>原安装包保留</source>
        <translation>The earlier package is kept</translation>
    </message>
    <message>
        <source>正在检查安装包...</source>
        <translation>Checking the package...</translation>
    </message>
    <message>
        <source>下载超时</source>
        <translation>The download took too long</translation>
    </message>
    <message>
        <source>备份安装目录失败</source>
        <translation>The backup of the install folder failed</translation>
    </message>
</context>
<context>
    <name>WidgetChangeCamera</name>
    <message>
        <source>相机排序</source>
        <translation>Camera order</translation>
    </message>
</context>
<context>
    <name>Main_MenuBtnWidget</name>
    <message>
        <source>系统参数</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>区域设置</source>
        <translation>Regions</translation>
    </message>
    <message>
        <source>生产统计</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <source>温度波形图</source>
        <translation>Temp. chart</translation>
    </message>
    <message>
        <source>模腔手动抓拍</source>
        <translation>Cavity shot</translation>
    </message>
    <message>
        <source>成品手动抓拍</source>
        <translation>Product shot</translation>
    </message>
</context>
<context>
    <name>IOStatusWidget_2</name>
    <message>
        <source>IO板无应答</source>
        <translation>IO board not answering</translation>
    </message>
</context>
<context>
    <name>MoJuWizard</name>
    <message>
        <source>系统正在初始化，请稍后......</source>
        <translation>The system is starting, please wait......</translation>
    </message>
    <message>
        <source>IO板无应答</source>
        <translation>IO board not answering</translation>
    </message>
    <message>
        <source>IO板恢复应答</source>
        <translation>IO board answers again</translation>
    </message>
    <message>
        <source>手动设置开始检测</source>
        <translation>Detection started by hand</translation>
    </message>
    <message>
        <source>手动设置停止检测</source>
        <translation>Detection stopped by hand</translation>
    </message>
    <message>
        <source>确定要停止检测吗？</source>
        <translation>Stop detection?</translation>
    </message>
    <message>
        <source>警告：成品检测没有启用！</source>
        <translation>Warning: the product check is not enabled!</translation>
    </message>
    <message>
        <source>重启前未解除的报警已恢复：%1</source>
        <translation>Alarm not cleared before the restart restored: %1</translation>
    </message>
    <message>
        <source>生产统计未启用
请前往高级参数设置</source>
        <translation>Production statistics are off.
Please turn them on in the advanced parameters.</translation>
    </message>
    <message>
        <source>数据还未加载完成..</source>
        <translation>The data are still loading..</translation>
    </message>
    <message>
        <source>温度波形图未启用
请前往高级参数设置</source>
        <translation>The temperature chart is off.
Please turn it on in the advanced parameters.</translation>
    </message>
</context>
<context>
    <name>mCustomPlot</name>
    <message>
        <source>温度°C</source>
        <translation>Temp. °C</translation>
    </message>
    <message>
        <source>实时</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Paused</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>区域移动</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>区域放大</source>
        <translation>Zoom area</translation>
    </message>
    <message>
        <source>显示标签</source>
        <translation>Labels on</translation>
    </message>
    <message>
        <source>隐藏标签</source>
        <translation>Labels off</translation>
    </message>
    <message>
        <source>相机:%1_%2_区域:%3</source>
        <translation>Camera:%1_%2_ROI:%3</translation>
    </message>
    <message>
        <source>成品检测</source>
        <translation>Product</translation>
    </message>
    <message>
        <source>模腔检测</source>
        <translation>Cavity</translation>
    </message>
    <message>
        <source>相机:0_没有检测_区域:0</source>
        <translation>Camera:0_no check_ROI:0</translation>
    </message>
    <message>
        <source>日期:%1
温度:%2</source>
        <translation>Date:%1
Temp.:%2</translation>
    </message>
</context>
<context>
    <name>TemperatureChartData</name>
    <message>
        <source>未选择开始和结束时间</source>
        <translation>No start and end time chosen</translation>
    </message>
    <message>
        <source>未选择开始时间</source>
        <translation>No start time chosen</translation>
    </message>
    <message>
        <source>未选择结束时间</source>
        <translation>No end time chosen</translation>
    </message>
    <message>
        <source>导出条件无效</source>
        <translation>The export request is not valid</translation>
    </message>
    <message>
        <source>无法读取检测记录</source>
        <translation>The result records cannot be read</translation>
    </message>
    <message>
        <source>无法写入所选文件夹</source>
        <translation>The chosen folder cannot be written</translation>
    </message>
    <message>
        <source>导出程序无法启动</source>
        <translation>The export program cannot be started</translation>
    </message>
    <message>
        <source>导出程序异常结束</source>
        <translation>The export program ended abnormally</translation>
    </message>
    <message>
        <source>导出程序返回错误代码 %1</source>
        <translation>The export program ended with error code %1</translation>
    </message>
    <message>
        <source>导出程序未报告完成</source>
        <translation>The export program did not report completion</translation>
    </message>
</context>
<context>
    <name>TemperatureChartWidget</name>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>温度波形图</source>
        <translation>Temperature chart</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>相机号</source>
        <translation>Camera</translation>
    </message>
    <message>
        <source>检测号</source>
        <translation>Detect</translation>
    </message>
    <message>
        <source>区域号</source>
        <translation>ROI</translation>
    </message>
    <message>
        <source>日期时间</source>
        <translation>Date time</translation>
    </message>
    <message>
        <source>定时记录</source>
        <translation>Regular record</translation>
    </message>
    <message>
        <source>分钟</source>
        <translation>min</translation>
    </message>
    <message>
        <source>导出数据</source>
        <translation>Export data</translation>
    </message>
    <message>
        <source>数据加载中</source>
        <translation>Loading data</translation>
    </message>
    <message>
        <source>时间检索不能为空</source>
        <translation>The search range must not be empty</translation>
    </message>
    <message>
        <source>上一个导出任务未完成</source>
        <translation>The previous export has not finished</translation>
    </message>
    <message>
        <source>请先选择导出路径</source>
        <translation>Please choose an export folder first</translation>
    </message>
    <message>
        <source>确定是否导出</source>
        <translation>Export the data?</translation>
    </message>
    <message>
        <source>数据导出完成</source>
        <translation>Data export finished</translation>
    </message>
    <message>
        <source>数据导出失败</source>
        <translation>Data export failed</translation>
    </message>
</context>
<context>
    <name>WizardParaWidget</name>
    <message>
        <source>角度矫正</source>
        <translation>Angle correction</translation>
    </message>
    <message>
        <source>温度检测报警不停机</source>
        <translation>No stop on temperature alarm</translation>
    </message>
</context>
<context>
    <name>DrawROIWidget</name>
    <message>
        <source>%1记录共0张图片</source>
        <translation>%1 records: 0 pictures</translation>
    </message>
    <message>
        <source>%1记录共%2张图片 当前为第%3张 %4</source>
        <translation>%1 records: %2 pictures, No. %3 shown %4</translation>
    </message>
    <message>
        <source>完成设定</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>查看模板</source>
        <translation>Templates</translation>
    </message>
    <message>
        <source>增减区域</source>
        <translation>Edit Areas</translation>
    </message>
    <message>
        <source>不检测此模</source>
        <translation>Skip Mould</translation>
    </message>
    <message>
        <source>画矩形</source>
        <translation>Rectangle</translation>
    </message>
    <message>
        <source>上一张图片</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>添加为模板</source>
        <translation>Add Template</translation>
    </message>
    <message>
        <source>画圆形</source>
        <translation>Circle</translation>
    </message>
    <message>
        <source>下一张图片</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>画多边形</source>
        <translation>Polygon</translation>
    </message>
    <message>
        <source>删除当前模板</source>
        <translation>Delete Template</translation>
    </message>
    <message>
        <source>画手势区域</source>
        <translation>Free Hand</translation>
    </message>
    <message>
        <source>复制当前区域</source>
        <translation>Copy Area</translation>
    </message>
    <message>
        <source>删除选中区域</source>
        <translation>Delete Area</translation>
    </message>
    <message>
        <source>重新检测</source>
        <translation>Re-check</translation>
    </message>
    <message>
        <source>删除全部区域</source>
        <translation>Delete All</translation>
    </message>
    <message>
        <source>实时↔模板</source>
        <translation>Live↔Template</translation>
    </message>
    <message>
        <source>模板</source>
        <translation>Templates</translation>
    </message>
    <message>
        <source>实时画面</source>
        <translation>Live picture</translation>
    </message>
    <message>
        <source>最近NG图</source>
        <translation>Recent NG</translation>
    </message>
    <message>
        <source>OK图片记录</source>
        <translation>OK records</translation>
    </message>
    <message>
        <source>NG图片记录</source>
        <translation>NG records</translation>
    </message>
    <message>
        <source>%1 号相机</source>
        <translation>Camera %1</translation>
    </message>
    <message>
        <source>全部相机</source>
        <translation>All cameras</translation>
    </message>
    <message>
        <source>成品</source>
        <translation>Product </translation>
    </message>
    <message>
        <source>模腔</source>
        <translation>Mould </translation>
    </message>
    <message>
        <source>左成品</source>
        <translation>Left product </translation>
    </message>
    <message>
        <source>左模腔</source>
        <translation>Left mould </translation>
    </message>
    <message>
        <source>右成品</source>
        <translation>Right product </translation>
    </message>
    <message>
        <source>右模腔</source>
        <translation>Right mould </translation>
    </message>
    <message>
        <source>检测</source>
        <translation>check</translation>
    </message>
    <message>
        <source>此相机未启用</source>
        <translation>This camera is not enabled</translation>
    </message>
    <message>
        <source>是否保存参数的修改？</source>
        <translation>Save the changed parameters?</translation>
    </message>
    <message>
        <source>缺陷检测</source>
        <translation>Defect detection</translation>
    </message>
    <message>
        <source>角度矫正</source>
        <translation>Angle correction</translation>
    </message>
</context>
<context>
    <name>ImagePickForm_Source</name>
    <message>
        <source>模板</source>
        <translation>Templates</translation>
    </message>
    <message>
        <source>实时画面</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>最近NG</source>
        <translation>Recent NG</translation>
    </message>
    <message>
        <source>OK记录</source>
        <translation>OK records</translation>
    </message>
    <message>
        <source>NG记录</source>
        <translation>NG records</translation>
    </message>
    <message>
        <source>%1号相机</source>
        <translation>Camera %1</translation>
    </message>
    <message>
        <source>全部相机</source>
        <translation>All cameras</translation>
    </message>
    <message>
        <source>左成品</source>
        <translation>Left product </translation>
    </message>
    <message>
        <source>左模腔</source>
        <translation>Left mould </translation>
    </message>
    <message>
        <source>右成品</source>
        <translation>Right product </translation>
    </message>
    <message>
        <source>右模腔</source>
        <translation>Right mould </translation>
    </message>
    <message>
        <source>检测</source>
        <translation>check</translation>
    </message>
    <message>
        <source>成品检测</source>
        <translation>Product check</translation>
    </message>
    <message>
        <source>模腔检测</source>
        <translation>Mould check</translation>
    </message>
</context>
<context>
    <name>CComp_DialogFrame</name>
    <message>
        <source>确定</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>CalendarWidget</name>
    <message>
        <source>yyyy年MM月dd日</source>
        <translation>yyyy-MM-dd</translation>
    </message>
</context>
<context>
    <name>ParaGroups</name>
    <message>
        <source>参数组“%1”不存在，当前参数组没有改变！</source>
        <translation>There is no parameter group "%1"; the current group is unchanged!</translation>
    </message>
    <message>
        <source>参数组“%1”的参数文件缺失或已损坏，当前参数组没有改变！</source>
        <translation>The parameter file of group "%1" is missing or damaged; the current group is unchanged!</translation>
    </message>
    <message>
        <source>参数组“%1”复制失败（磁盘空间不足？），当前参数组没有改变！</source>
        <translation>Parameter group "%1" could not be copied (disk full?); the current group is unchanged!</translation>
    </message>
    <message>
        <source>参数组“%1”无法替换当前文件，当前参数组没有改变！</source>
        <translation>Parameter group "%1" could not replace the current files; the current group is unchanged!</translation>
    </message>
    <message>
        <source>参数组“%1”是指向参数组目录以外的链接，不能使用！</source>
        <translation>Parameter group "%1" is a link to a folder outside the store and cannot be used!</translation>
    </message>
    <message>
        <source>参数组“%1”无法删除，参数组没有改变！</source>
        <translation>Parameter group "%1" could not be deleted; the groups are unchanged!</translation>
    </message>
    <message>
        <source>上一次参数组操作未能完成恢复，参数组“%1”没有删除！</source>
        <translation>The last parameter group operation could not be recovered; group "%1" was not deleted!</translation>
    </message>
    <message>
        <source>正在复制参数组...</source>
        <translation>Copying group...</translation>
    </message>
    <message>
        <source>另一个参数组操作正在进行，参数组“%1”没有改变！</source>
        <translation>Another parameter group operation
is under way; group "%1" is unchanged!</translation>
    </message>
</context>
<context>
    <name>PendingPackage</name>
    <message>
        <source>未知的安装包</source>
        <translation>Unknown package</translation>
    </message>
    <message>
        <source>无法读取安装包</source>
        <translation>The package cannot be read</translation>
    </message>
    <message>
        <source>安装包已损坏</source>
        <translation>The package is damaged</translation>
    </message>
    <message>
        <source>文件类型不符</source>
        <translation>Not a package of this type</translation>
    </message>
    <message>
        <source>安装包为空</source>
        <translation>The package is empty</translation>
    </message>
    <message>
        <source>无法写入安装目录</source>
        <translation>Cannot write the install folder</translation>
    </message>
    <message>
        <source>检查已取消</source>
        <translation>Check cancelled</translation>
    </message>
</context>
<context>
    <name>LanguageList</name>
    <message>
        <source>日文</source>
        <translation>Japanese</translation>
    </message>
</context>
</TS>
